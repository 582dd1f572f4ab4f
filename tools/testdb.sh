#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server that stands in for Oracle in the tests.
#
#   testdb.sh start DIR   start a fresh server in DIR (stopping one already there) and write
#                         DIR/env with the settings the tests and the ODBC drivers need
#   testdb.sh stop DIR    stop the server, wait until none of its processes is left, remove DIR
#   testdb.sh env DIR     print DIR/env as export lines for a shell
#
# The server listens on 127.0.0.1 and a unix socket, on a free port, with scram-sha-256
# passwords. psqlODBC is registered under the two driver names the program asks for in a
# private odbcinst.ini; it takes host, user and password from the connection string and the
# port and database from PGPORT and PGDATABASE. TESTDB_PRELOAD, when set, becomes the
# server's shared_preload_libraries.
set -euo pipefail

PGBIN=${TESTDB_PGBIN:-/usr/lib/postgresql/15/bin}
DATABASE=quillmark
ADMIN_USER=quill_admin
TEMPLATES=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/testdb

die() {
    echo "testdb: $*" >&2
    exit 1
}

usage() { die "usage: $0 start|stop|env DIR"; }

# PostgreSQL refuses to run as root; root runs it as Debian's postgres system user.
as_server() {
    if ((EUID == 0)); then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

new_password() { od -An -N12 -tx1 /dev/urandom | tr -d ' \n'; }

# The folder of the cluster: DIR itself, or a private folder under /tmp when DIR is out of
# the server user's reach or too deep for a unix socket path.
cluster_dir() {
    if [[ -f $DIR/cluster-dir ]]; then
        cat "$DIR/cluster-dir"
    else
        echo "$DIR"
    fi
}

# Process ids whose parent is $1.
children_of() {
    local stat rest
    for stat in /proc/[0-9]*/stat; do
        rest=$(cat "$stat" 2>/dev/null) || continue
        rest=${rest##*) }
        read -r _ ppid _ <<<"$rest"
        [[ $ppid == "$1" ]] && basename "$(dirname "$stat")"
    done
    return 0
}

wait_gone() {
    local pid tries
    for pid in "$@"; do
        for ((tries = 0; tries < 300; tries++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            kill -KILL "$pid" 2>/dev/null || true
        fi
    done
}

stop_server() {
    local cluster data pid processes
    [[ -d $DIR ]] || return 0
    cluster=$(cluster_dir)
    data=$cluster/data
    if [[ -f $data/postmaster.pid ]]; then
        pid=$(head -n 1 "$data/postmaster.pid")
        if [[ $pid =~ ^[0-9]+$ ]] && kill -0 "$pid" 2>/dev/null; then
            # shellcheck disable=SC2207
            processes=($(children_of "$pid") "$pid")
            as_server "$PGBIN/pg_ctl" -D "$data" -m fast -w -t 20 stop >/dev/null 2>&1 ||
                as_server "$PGBIN/pg_ctl" -D "$data" -m immediate -w -t 20 stop >/dev/null 2>&1 ||
                true
            wait_gone "${processes[@]}"
        fi
    fi
    [[ $cluster != "$DIR" ]] && rm -rf "$cluster"
    rm -rf "$DIR"
}

pick_port() {
    local port tries
    for ((tries = 0; tries < 100; tries++)); do
        port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    die "no free port found"
}

psql_as() { # USER PASSWORD DATABASE psql-arguments...
    local user=$1 password=$2 database=$3
    shift 3
    PGPASSWORD=$password PGCONNECT_TIMEOUT=10 psql -X -q -h 127.0.0.1 -p "$PORT" -U "$user" \
        -d "$database" -v ON_ERROR_STOP=1 "$@" >/dev/null
}

psqlodbc_library() {
    local library
    library=$(dpkg -L odbc-postgresql 2>/dev/null | grep '/psqlodbcw\.so$' | head -n 1 || true)
    if [[ -z $library ]]; then
        library=$(find /usr/lib /usr/local/lib -name psqlodbcw.so 2>/dev/null | head -n 1 || true)
    fi
    [[ -n $library ]] || die "psqlODBC's Unicode driver psqlodbcw.so is not installed"
    echo "$library"
}

write_odbc_files() {
    local library
    library=$(psqlodbc_library)
    {
        for name in "Microsoft ODBC for Oracle" "OraOLEDB.Oracle"; do
            printf '[%s]\nDescription=PostgreSQL Unicode driver standing in for %s\n' \
                "$name" "$name"
            printf 'Driver=%s\nUsageCount=1\n\n' "$library"
        done
        # psqlODBC reads its driver defaults from the section named by the Driver= value
        # exactly as written, braces included. These make a result arrive 100 rows at a
        # time through a cursor instead of whole at execution, and a prepared statement be
        # parsed once by the server with its values sent apart from its text.
        for name in "Microsoft ODBC for Oracle" "OraOLEDB.Oracle"; do
            printf '[{%s}]\nUseDeclareFetch=1\nFetch=100\nUseServerSidePrepare=1\n\n' "$name"
        done
    } >"$DIR/odbcinst.ini"
    : >"$DIR/odbc.ini"
}

create_user() { # NAME PASSWORD SQL-FILE
    psql_as "$ADMIN_USER" "$ADMIN_PASSWORD" "$DATABASE" \
        -c "select create_oracle_user('$1', '$2')"
    psql_as "$1" "$2" "$DATABASE" -f "$TEMPLATES/$3"
}

start_server() {
    local cluster data log locale attempt
    stop_server
    # A start that fails half way leaves nothing behind.
    trap 'stop_server' EXIT
    mkdir -p "$DIR"
    chmod 700 "$DIR"
    ((EUID == 0)) && chown postgres: "$DIR"

    cluster=$DIR
    # A unix socket path holds at most 107 bytes.
    if ! as_server test -w "$DIR" || ((${#DIR} > 80)); then
        cluster=$(mktemp -d /tmp/quillmark-testdb.XXXXXX)
        ((EUID == 0)) && chown postgres: "$cluster"
        echo "$cluster" >"$DIR/cluster-dir"
    fi
    data=$cluster/data
    log=$cluster/server.log

    ADMIN_PASSWORD=$(new_password)
    (umask 077 && echo "$ADMIN_PASSWORD" >"$cluster/pwfile")
    ((EUID == 0)) && chown postgres: "$cluster/pwfile"
    locale=(--no-locale)
    if locale -a 2>/dev/null | grep -qix 'c\.utf-\?8'; then
        locale=(--locale=C.UTF-8)
    fi
    as_server "$PGBIN/initdb" -D "$data" -U "$ADMIN_USER" --pwfile="$cluster/pwfile" \
        --auth=scram-sha-256 --encoding=UTF8 "${locale[@]}" --no-sync --no-instructions \
        >"$cluster/initdb.log" 2>&1 || die "initdb failed: $(cat "$cluster/initdb.log")"
    rm -f "$cluster/pwfile"
    cat >>"$data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$cluster'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 50
shared_buffers = 32MB
EOF
    # Opt-in for the benchmark: libraries the server loads at start (pg_stat_statements).
    if [[ -n ${TESTDB_PRELOAD:-} ]]; then
        echo "shared_preload_libraries = '$TESTDB_PRELOAD'" >>"$data/postgresql.conf"
    fi

    # Another process may take the port between the check and the start: try again.
    for ((attempt = 1; ; attempt++)); do
        PORT=$(pick_port)
        if as_server "$PGBIN/pg_ctl" -D "$data" -l "$log" -o "-p $PORT" -w -t 60 start \
            >/dev/null 2>&1; then
            break
        fi
        if ((attempt == 5)) || ! grep -q 'could not bind\|could not create listen' "$log"; then
            die "the server did not start: $(tail -n 20 "$log")"
        fi
    done

    psql_as "$ADMIN_USER" "$ADMIN_PASSWORD" postgres -c "create database $DATABASE"
    psql_as "$ADMIN_USER" "$ADMIN_PASSWORD" "$DATABASE" -f "$TEMPLATES/setup.sql"
    local user1=recap_user1 password1 user2=recap_user2 password2 demo=recap_demo demo_password
    password1=$(new_password)
    password2=$(new_password)
    demo_password=$(new_password)
    create_user "$user1" "$password1" user1.sql
    create_user "$user2" "$password2" user2.sql
    create_user "$demo" "$demo_password" demo.sql

    write_odbc_files
    cat >"$DIR/env" <<EOF
ODBCSYSINI=$DIR
ODBCINI=$DIR/odbc.ini
PGPORT=$PORT
PGDATABASE=$DATABASE
TESTDB_DIR=$DIR
TESTDB_ADMIN_USER=$ADMIN_USER
TESTDB_ADMIN_PASSWORD=$ADMIN_PASSWORD
TESTDB_USER1=$user1
TESTDB_PASSWORD1=$password1
TESTDB_USER2=$user2
TESTDB_PASSWORD2=$password2
TESTDB_DEMO_USER=$demo
TESTDB_DEMO_PASSWORD=$demo_password
EOF
    trap - EXIT
    echo "testdb: server on 127.0.0.1:$PORT, settings in $DIR/env"
}

print_env() {
    [[ -f $DIR/env ]] || die "no server in $DIR"
    local key value
    while IFS='=' read -r key value; do
        printf 'export %s=%q\n' "$key" "$value"
    done <"$DIR/env"
}

(($# == 2)) || usage
[[ -n $2 ]] || usage
DIR=$(realpath -m -- "$2")
case $1 in
start) start_server ;;
stop) stop_server ;;
env) print_env ;;
*) usage ;;
esac

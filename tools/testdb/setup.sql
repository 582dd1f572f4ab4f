-- Runs as the superuser in the test database.

-- An Oracle-style user: a login role with the password, a schema of the same name owned by
-- it (the default search_path "$user", public finds it first) and, in that schema, a view
-- user_tables (table_name) of the user's own tables: ordinary and partitioned tables (not
-- the partitions themselves, not views), in creation order.
create function create_oracle_user(user_name text, user_password text) returns void
language plpgsql as $$
begin
    execute format('create role %I login password %L', user_name, user_password);
    execute format('create schema %I authorization %I', user_name, user_name);
    execute format(
        'create view %I.user_tables as '
        'select c.relname::text as table_name '
        'from pg_catalog.pg_class c join pg_catalog.pg_namespace n on n.oid = c.relnamespace '
        'where n.nspname = %L and c.relkind in (''r'', ''p'') and not c.relispartition '
        'order by c.oid',
        user_name, user_name);
    execute format('alter view %I.user_tables owner to %I', user_name, user_name);
end
$$;

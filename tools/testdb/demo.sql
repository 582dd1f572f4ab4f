-- Messy-case sample data for demonstrations. The text columns come first, so the work
-- window opens on something worth recasing.
create table people (full_name varchar(120), first_name varchar(60), last_name varchar(60),
                     id integer primary key);
insert into people values
    ('jOHN o''BRIEN', 'jOHN', 'o''BRIEN', 1),
    ('MARY-JANE watson', 'MARY-JANE', 'watson', 2),
    ('zoë SALDAÑA', 'zoë', 'SALDAÑA', 3),
    ('jean-luc PICARD', 'jean-luc', 'picard', 4),
    ('ÉMILE zola', 'ÉMILE', 'zola', 5),
    ('björn BORG', 'björn', 'BORG', 6),
    ('MADONNA', null, 'MADONNA', 7);

create table addresses (street varchar(120), city varchar(60), country varchar(60),
                        id integer primary key);
insert into addresses values
    ('221B baker STREET', 'LONDON', 'united kingdom', 1),
    ('12 rue de l''église', 'paris', 'FRANCE', 2),
    ('calle MAYOR 5', 'MADRID', 'españa', 3),
    ('1600 PENNSYLVANIA ave nw', 'washington', null, 4),
    ('königsallee 1', 'DÜSSELDORF', 'germany', 5);

create table titles (title varchar(200), kind varchar(10), id integer primary key);
insert into titles values
    ('the LORD of the rings', 'book', 1),
    ('HARRY POTTER AND THE PHILOSOPHER''S STONE', 'book', 2),
    ('one flew over the cuckoo''s nest', 'film', 3),
    ('AMÉLIE', 'film', 4),
    ('les misérables', 'book', 5),
    ('spider-man: no way home', 'film', 6),
    (null, 'book', 7);

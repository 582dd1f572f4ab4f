-- Messy-case sample data for demonstrations.
create table people (id integer primary key, first_name varchar(60), last_name varchar(60));
insert into people values
    (1, 'jOHN', 'o''BRIEN'),
    (2, 'MARY-JANE', 'watson'),
    (3, 'zoë', 'SALDAÑA'),
    (4, 'jean-luc', 'picard'),
    (5, 'ÉMILE', 'zola'),
    (6, 'björn', 'BORG'),
    (7, null, 'MADONNA');

create table addresses (id integer primary key, street varchar(120), city varchar(60),
                        country varchar(60));
insert into addresses values
    (1, '221B baker STREET', 'LONDON', 'united kingdom'),
    (2, '12 rue de l''église', 'paris', 'FRANCE'),
    (3, 'calle MAYOR 5', 'MADRID', 'españa'),
    (4, '1600 PENNSYLVANIA ave nw', 'washington', null),
    (5, 'königsallee 1', 'DÜSSELDORF', 'germany');

create table titles (id integer primary key, kind varchar(10), title varchar(200));
insert into titles values
    (1, 'book', 'the LORD of the rings'),
    (2, 'book', 'HARRY POTTER AND THE PHILOSOPHER''S STONE'),
    (3, 'film', 'one flew over the cuckoo''s nest'),
    (4, 'film', 'AMÉLIE'),
    (5, 'book', 'les misérables'),
    (6, 'film', 'spider-man: no way home'),
    (7, 'book', null);

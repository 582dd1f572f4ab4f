-- The first test user's tables, among them names in mixed case and with spaces.
create table customers (id integer primary key, name varchar(100), city varchar(60));
insert into customers values (1, 'ada lovelace', 'LONDON'), (2, 'Alan TURING', 'wilmslow');

create table "Mixed Case Orders" ("Order Id" integer, "Customer Name" varchar(100), "Notes" text);
insert into "Mixed Case Orders" values (1, 'grace HOPPER', 'rush order'), (2, null, null);

create table products (code varchar(20), title varchar(200));
insert into products values ('A-1', 'the hobbit'), ('B-2', 'WAR AND PEACE');

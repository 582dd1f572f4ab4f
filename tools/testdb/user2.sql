-- The second test user's tables.
create table inventory (sku varchar(20), description varchar(200), quantity integer);
insert into inventory values ('X1', 'blue widget', 4), ('X2', 'RED GADGET', 0);

create table suppliers (name varchar(100), country varchar(60));
insert into suppliers values ('acme corp', 'usa');

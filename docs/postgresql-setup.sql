-- Kerfolio's shared database on a Debian 12 server (postgresql-15), run by the superuser with psql.
-- docs/postgresql.md says what comes before and after. Two uses:
--
-- 1. Once, the database and its roles:
--      sudo -u postgres psql -v ON_ERROR_STOP=1 -v owner_password='…' -v office_password='…' \
--           < postgresql-setup.sql
--    then make the tables by running the report once as the owner, on the server itself:
--      kerfolio-report --postgres "host=localhost dbname=kerfolio user=kerfolio_owner password=…"
--
-- 2. For each PC, once the tables are made: its own login and its registration under the name the
--    office knows it by (pc_id: the id the PC's window shows when it is not yet registered):
--      sudo -u postgres psql -v ON_ERROR_STOP=1 -v pc_id=… -v pc_name=一车间 \
--           -v pc_login=kerfolio_hall1 -v pc_password='…' < postgresql-setup.sql
--    Run it again with another pc_name to rename a PC; with the same pc_login and a new pc_id when a
--    PC's journal was set aside and it starts under a new id.

\if :{?pc_id}

\connect kerfolio
SELECT NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = :'pc_login') AS new_login \gset
\if :new_login
CREATE ROLE :"pc_login" LOGIN PASSWORD :'pc_password' IN ROLE kerfolio_pc;
\else
ALTER ROLE :"pc_login" PASSWORD :'pc_password';
\endif
SELECT kerfolio.register_pc(:'pc_id', :'pc_name', :'pc_login');

\else

-- kerfolio_owner owns the tables: the program makes and updates them when it runs as the owner.
-- kerfolio_pc is the group of every PC's own login; kerfolio_office reads, for the office board.
CREATE ROLE kerfolio_owner LOGIN PASSWORD :'owner_password';
CREATE ROLE kerfolio_pc NOLOGIN;
CREATE ROLE kerfolio_office LOGIN PASSWORD :'office_password';
CREATE DATABASE kerfolio OWNER kerfolio_owner;

\connect kerfolio
REVOKE ALL ON DATABASE kerfolio FROM PUBLIC;
GRANT CONNECT ON DATABASE kerfolio TO kerfolio_owner, kerfolio_pc, kerfolio_office;
CREATE SCHEMA kerfolio AUTHORIZATION kerfolio_owner;
GRANT USAGE ON SCHEMA kerfolio TO kerfolio_pc, kerfolio_office;

-- The tables' version, made first so that the grants below never reach it: every login reads it,
-- only the owner writes it.
SET ROLE kerfolio_owner;
CREATE TABLE kerfolio.migrations(version integer PRIMARY KEY, applied_at timestamptz NOT NULL DEFAULT now());
RESET ROLE;
GRANT SELECT ON kerfolio.migrations TO kerfolio_pc, kerfolio_office;

-- The tables the owner's first run makes: the PCs read and add rows (the server's row security keeps
-- each login to the PC registered to it, and the program takes back any write on its register of
-- PCs), the office reads. Nobody but the owner changes or deletes a row.
ALTER DEFAULT PRIVILEGES FOR ROLE kerfolio_owner IN SCHEMA kerfolio
  GRANT SELECT ON TABLES TO kerfolio_pc, kerfolio_office;
ALTER DEFAULT PRIVILEGES FOR ROLE kerfolio_owner IN SCHEMA kerfolio
  GRANT INSERT ON TABLES TO kerfolio_pc;

-- A PC whose network was cut leaves its session behind: the server finds it gone after about
-- 2 minutes instead of the system's 2 hours, and ends a transaction left open.
ALTER SYSTEM SET tcp_keepalives_idle = 60;
ALTER SYSTEM SET tcp_keepalives_interval = 10;
ALTER SYSTEM SET tcp_keepalives_count = 6;
ALTER SYSTEM SET client_connection_check_interval = '10s';
ALTER SYSTEM SET idle_in_transaction_session_timeout = '10min';
SELECT pg_reload_conf();

\endif

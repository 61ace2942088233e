-- Talvik Maintenance Logs: let the server decide who may do what.
--
-- Optional. Run after schema.sql, as a superuser (or as the schema's owner when it may create
-- roles), on the site's database:
--     psql -d vekdb -v ON_ERROR_STOP=1 -f db/site-security.sql
-- Running it again changes nothing. Afterwards:
--   * every person logs in with a login of their own, a member of vek_crew or vek_admin;
--   * vek.login_roles says which roles (vek.roles) a login, or a group role it belongs to, may
--     take; the client offers only those, and the login sees and writes only the log entries
--     of the departments that those roles view (vek.roleviews);
--   * nothing is granted to PUBLIC.
-- The schema's owner and superusers are not bound by any of it: keep them off the desktops.

SET client_min_messages = warning;

BEGIN;

-- The group roles are the cluster's, shared by its databases. Another database's run may create
-- them at the same moment; whoever comes second finds them made.
DO $$
BEGIN
    BEGIN
        CREATE ROLE vek_crew NOLOGIN;
    EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;
    END;
    BEGIN
        CREATE ROLE vek_admin NOLOGIN;
    EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;
    END;
    -- Administrators can do whatever crews can; crews see the start of other clients'
    -- sessions in the connected-users report.
    BEGIN
        GRANT vek_crew TO vek_admin;
    EXCEPTION WHEN unique_violation THEN NULL;
    END;
    BEGIN
        GRANT pg_read_all_stats TO vek_crew;
    EXCEPTION WHEN unique_violation THEN NULL;
    END;
END
$$;

-- The roles a login may take. A row names a login or a group role; a login may take the roles
-- of every row whose name it is or belongs to.
CREATE TABLE IF NOT EXISTS vek.login_roles (
    login    text   NOT NULL,
    roles_id bigint NOT NULL REFERENCES vek.roles (id) ON DELETE CASCADE,
    PRIMARY KEY (login, roles_id)
);

-- The roles the calling login may take: what the client offers, and what decides the rows below.
CREATE OR REPLACE VIEW vek.permitted_roles WITH (security_invoker = true) AS
SELECT DISTINCT lr.roles_id
FROM vek.login_roles lr
    JOIN pg_catalog.pg_roles r ON r.rolname = lr.login
WHERE pg_catalog.pg_has_role(current_user, r.oid, 'MEMBER');

-- Nothing for PUBLIC: a login in neither group gets nowhere.
DO $$
BEGIN
    EXECUTE format('REVOKE ALL ON DATABASE %I FROM PUBLIC', current_database());
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO vek_crew', current_database());
END
$$;
REVOKE ALL ON SCHEMA vek FROM PUBLIC;
REVOKE ALL ON ALL TABLES IN SCHEMA vek FROM PUBLIC;
REVOKE ALL ON ALL SEQUENCES IN SCHEMA vek FROM PUBLIC;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA vek FROM PUBLIC;

-- Crews read everything the client reads, and write entries (with their lock columns and
-- display numbers) and history rows. The numbering's table lock needs UPDATE on the whole table.
GRANT USAGE ON SCHEMA vek TO vek_crew;
GRANT SELECT ON ALL TABLES IN SCHEMA vek TO vek_crew;
GRANT INSERT, UPDATE ON vek.logs TO vek_crew;
GRANT INSERT ON vek.client_history TO vek_crew;

-- Administrators keep the reference tables, the role views and who may take which role.
GRANT INSERT, UPDATE ON vek.departments, vek.roles, vek.categories, vek.cost_center, vek.process,
    vek.motors, vek.employees, vek.shifts, vek.status, vek.downtime_reasons TO vek_admin;
GRANT INSERT, DELETE ON vek.roleviews TO vek_admin;
GRANT INSERT, UPDATE, DELETE ON vek.login_roles TO vek_admin;

-- The sequences behind the ids each group creates.
DO $$
DECLARE
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['logs', 'client_history'] LOOP
        EXECUTE format('GRANT USAGE ON SEQUENCE %s TO vek_crew', pg_get_serial_sequence('vek.' || t, 'id'));
    END LOOP;
    FOREACH t IN ARRAY ARRAY['departments', 'roles', 'roleviews', 'categories', 'cost_center', 'process',
                             'motors', 'employees', 'shifts', 'status', 'downtime_reasons'] LOOP
        EXECUTE format('GRANT USAGE ON SEQUENCE %s TO vek_admin', pg_get_serial_sequence('vek.' || t, 'id'));
    END LOOP;
END
$$;

-- A login sees and writes the entries of the departments its permitted roles view, and no
-- others: the table's owner alone is exempt.
ALTER TABLE vek.logs ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS logs_of_permitted_departments ON vek.logs;
CREATE POLICY logs_of_permitted_departments ON vek.logs
    USING (departments_id IN (
        SELECT rv.departments_id
        FROM vek.roleviews rv
            JOIN vek.permitted_roles pr ON pr.roles_id = rv.roles_id));

-- Views check the caller, not their owner, so the policy holds through vek.all_logs too.
DO $$
DECLARE
    v record;
BEGIN
    FOR v IN SELECT c.oid::regclass AS name FROM pg_catalog.pg_class c
             WHERE c.relnamespace = 'vek'::regnamespace AND c.relkind = 'v' LOOP
        EXECUTE format('ALTER VIEW %s SET (security_invoker = true)', v.name);
    END LOOP;
END
$$;

COMMIT;

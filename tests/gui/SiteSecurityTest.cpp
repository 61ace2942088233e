#include "AdminEquipmentComponent.h"
#include "Cfg.h"
#include "DB.h"
#include "RolePickWnd.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"
#include "UsersReport.h"

#include <gtest/gtest.h>

namespace
{
// A statement as the login: its one value, or "ok" and the rows it touched, or 42501 when the
// server refuses it.
std::string as(const sandbox::Database& database, const std::string& login, const std::string& sql)
try
{
    pqxx::connection c(sandbox::connection_string(database.name()) + " user=" + login + " password=" + site_password);
    const pqxx::result r = pqxx::nontransaction(c).exec(sql);
    return r.columns() == 1 && r.size() == 1 ? r[0][0].c_str() : "ok " + std::to_string(r.affected_rows());
}
catch (const pqxx::insufficient_privilege&)
{
    return "42501";
}
catch (const pqxx::broken_connection&)
{
    return "no connection";
}
} // namespace

TEST(SiteSecurity, EachLoginGetsWhatItsGroupAndRolesAllowInTheClientAndInPlainSql)
{
    recorder().reset();
    sandbox::Database database;
    load_sample_site(database);
    database.execute("INSERT INTO vek.logs (departments_id, problem, status_id) VALUES (1, 'pm', 1), (2, 'sm', 1), "
                     "(3, 'bh', 1), (4, 'yd', 1)");
    apply_site_security(database);
    apply_site_security(database);
    EXPECT_EQ(database.value("SELECT count(*) FROM (SELECT aclexplode(coalesce(relacl, acldefault('r', relowner))) a "
                             "FROM pg_class WHERE relnamespace = 'vek'::regnamespace UNION ALL SELECT aclexplode("
                             "coalesce(nspacl, acldefault('n', nspowner))) FROM pg_namespace WHERE nspname = 'vek' "
                             "UNION ALL SELECT aclexplode(coalesce(datacl, acldefault('d', datdba))) FROM pg_database "
                             "WHERE datname = current_database()) g WHERE (a).grantee = 0"),
              "0")
        << "nothing for PUBLIC";
    database.execute("CREATE ROLE " + database.name() + "_crew LOGIN PASSWORD '" + site_password + "'");
    EXPECT_EQ(as(database, database.name() + "_crew", "SELECT 1"), "no connection") << "in neither group";
    database.execute("DROP ROLE " + database.name() + "_crew; INSERT INTO vek.login_roles VALUES ('vek_crew', 3)");
    pqxx::connection other(sandbox::connection_string(database.name()) + " application_name=vek-other");

    // Yard Crew, given to every crew, views 3 of the 4 departments: enough for the button by the
    // role's rule alone. Administrators are crews too.
    const std::string motor = "INSERT INTO vek.motors (mid, description, process_id) VALUES ('X', 'x', 1)";
    const struct
    {
        std::string group, roles;
        std::vector<std::string> buttons;
        std::string entries, other_department, reference_table;
    } cases[] = {{"vek_crew", "2", {"Planer Crew", "Yard Crew"}, "pm,sm,yd", "42501", "42501"},
                 {"vek_admin", "1", {"Supervisors", "Yard Crew"}, "bh,pm,sm,yd", "ok 1", "ok 1"}};
    for (const auto& c : cases)
    {
        const bool admin = c.group == "vek_admin";
        const std::string login = site_login(database, c.group.substr(4), c.group, c.roles);
        EXPECT_EQ(as(database, login, "SELECT string_agg(problem, ',' ORDER BY problem) FROM vek.all_logs"), c.entries);
        EXPECT_EQ(as(database, login, "INSERT INTO vek.logs (departments_id) VALUES (3)"), c.other_department);
        EXPECT_EQ(as(database, login, motor), c.reference_table);
        EXPECT_EQ(as(database, login, "DELETE FROM vek.logs"), "42501") << "entries are never deleted";

        sandbox::write_client_config(database.name(), site_password, login);
        TestApp test;
        test.app.database = std::make_unique<DB>(*test.app.cfg);
        test.load_store();
        test.app.current_role_id = 4;
        test.app.run(VekApplication::job_show_first_window);
        ASSERT_NE(test.app.role_pick_window, nullptr) << "a remembered role the login may not take is unknown";
        std::vector<std::string> buttons;
        for (auto* button : test.app.role_pick_window->component.buttons)
            buttons.push_back(button->getButtonText().toStdString());
        EXPECT_EQ(buttons, c.buttons);
        test.app.role_pick_window->component.buttons.getLast()->triggerClick();
        ASSERT_TRUE(pump_until([&] { return test.app.summary_window != nullptr; }, 5000)) << login;
        auto& summary = test.app.summary_window->component;
        ASSERT_TRUE(pump_until([&] { return summary.isEnabled() && summary.model_attached(); }, 10000));
        EXPECT_EQ(summary.admin_access(), admin) << login;
        EXPECT_EQ(summary.all_rows.size(), 3u) << "Yard Crew's PM, SM and YD";

        // Only the one change counts: the others were written well before the load, not in its second.
        database.execute("UPDATE vek.logs SET last_updated = CASE WHEN problem = 'pm' THEN now() + interval '1 "
                         "minute' ELSE now() - interval '1 hour' END");
        last_database_activity = epoch_now() - 301;
        test.app.database->timerCallback();
        EXPECT_EQ(summary.bubble.getTitle().toStdString(), "Updates available: 1") << "the poll works for " << login;
        EXPECT_NE(UsersReport::text(*test.app.database).find(" (login " + login + ")"), std::string::npos);

        // Through the administration code: done, or refused and said once in words.
        AdminEquipmentComponent equipment;
        equipment.first_editor.setText(juce::String(login));
        equipment.second_editor.setText("Outfeed conveyor");
        equipment.buttonClicked(&equipment.add_button);
        EXPECT_EQ(database.value("SELECT count(*) FROM vek.motors WHERE mid = '" + login + "'"), admin ? "1" : "0");
        const auto boxes = recorder().boxes();
        ASSERT_EQ(boxes.size(), 1u) << "the crew's refusal, once; nothing for the administrator";
        EXPECT_EQ(boxes[0].message.rfind("Your database login may not change the equipment table.\r\n\r\n", 0), 0u)
            << boxes[0].message;
        EXPECT_TRUE(recorder().exits().empty());
    }
}

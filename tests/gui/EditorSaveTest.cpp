#include "DB.h"
#include "EditorWnd.h"
#include "History.h"
#include "Log.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{
// The sample site with two stored entries: 1001 closed in the Planer Mill, 1003 open in the
// Sawmill (the department's only entry), each with its display number.
class EditorSave : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        database.execute(R"SQL(
INSERT INTO vek.downtime_reasons (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES (102, 'Jam-up', 2);
INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, problem, action,
                      authors_id, status_id, hours, downtime_reasons_id, timestamp_start, timestamp_end)
  OVERRIDING SYSTEM VALUE VALUES
  (1001, 42, 1, 1, 2, 2, 'Belt slips', 'Tightened it', 1, 2, 1.5, 1, now() - interval '3 days', now() - interval '1 day'),
  (1003, 7, 2, 2, 1, 3, 'Saw chatters', '', 2, 1, NULL, 102, now() - interval '2 hours', NULL);
)SQL");
        test.load_store();
        test.app.current_role_id = 1;
    }

    // A new entry of the Planer Mill with every field chosen; still open.
    static void fill_new_entry(EditorComponent& editor, const std::string& problem)
    {
        editor.department.select_dbid(1);
        editor.equipment.select_dbid(1);
        settle_messages();
        for (GroupboxWithCombobox* field : std::initializer_list<GroupboxWithCombobox*>{
                 &editor.author, &editor.shift, &editor.category, &editor.downtime, &editor.status})
            field->select_dbid(1);
        editor.problem.setText(juce::String::fromUTF8(problem.c_str()), true);
        settle_messages();
    }

    // Whether another session could take the entry's advisory lock now (and gives it back).
    bool lock_is_free(std::uint64_t id)
    {
        const bool free = database.value("SELECT pg_try_advisory_lock(" + std::to_string(id) + ")") == "t";
        if (free)
            database.execute("SELECT pg_advisory_unlock(" + std::to_string(id) + ")");
        return free;
    }

    std::string history(const std::string& column, std::uint64_t id)
    {
        return database.value("SELECT string_agg(" + column + ", ' | ' ORDER BY id) FROM vek.client_history WHERE "
                              "event = 'save' AND other_id = " + std::to_string(id));
    }

    sandbox::Database database;
    TestApp test{&database};
};
} // namespace

TEST_F(EditorSave, ValidationDecidesTheSaveButtonAndMarksWhatIsWrong)
{
    EditorWnd window(1003);
    EditorComponent& editor = window.component;
    settle_messages();
    EXPECT_FALSE(editor.save_button.isEnabled());
    EXPECT_EQ(editor.save_button.getTooltip(), "No changes have been made to this maintenance log entry.");
    EXPECT_EQ(editor.hours, 0.0) << "an open entry without time passes";
    editor.status.select_dbid(2);
    settle_messages();
    editor.status.select_dbid(1);
    settle_messages();
    EXPECT_EQ(editor.epoch_end, 0) << "open again: no completion time";
    EXPECT_FALSE(editor.save_button.isEnabled()) << "closed, then open again: nothing to save";
    EXPECT_EQ(editor.save_button.getTooltip(), "No changes have been made to this maintenance log entry.");
    EXPECT_FALSE(editor.has_unsaved_edits()) << "and nothing to ask about at a quit";

    editor.problem.setText("Saw chatters badly", true);
    settle_messages(2);
    EXPECT_TRUE(editor.save_button.isEnabled());
    EXPECT_EQ(editor.save_button.getTooltip(), "Save this log entry and close the window. (CTRL+S)");
    editor.problem.setText("Saw chatters", true);
    settle_messages(2);
    EXPECT_FALSE(editor.save_button.isEnabled()) << "changed back: nothing to save";

    editor.problem.setText(" \r\n\t ", true);
    settle_messages(2);
    EXPECT_FALSE(editor.save_button.isEnabled()) << "a problem of blanks is empty";
    EXPECT_EQ(editor.save_button.getTooltip(), "Cannot save log entry until all invalid fields have been fixed.");
    EXPECT_EQ(editor.problem.findColour(juce::TextEditor::backgroundColourId),
              juce::Colour(juce::uint8(255), juce::uint8(136), juce::uint8(136), juce::uint8(85)));
    EXPECT_NE(read_log().find("cannot save log: problem field cannot be empty"), std::string::npos);
    editor.problem.setText("Saw chatters", true);

    editor.status.select_dbid(2); // closed: needs time and an action
    settle_messages();
    EXPECT_EQ(editor.epoch_end, 1) << "closed now";
    EXPECT_FALSE(editor.save_button.isEnabled());
    EXPECT_EQ(editor.time.getComponentEffect(), &editor.glow);
    const std::string log = read_log();
    EXPECT_NE(log.find("cannot save log: hours \"0\" are invalid for a closed log"), std::string::npos);
    EXPECT_NE(log.find("cannot save log: action field on a closed log cannot be empty"), std::string::npos);
    EXPECT_NE(log.find("cannot save log: total of 2 invalid fields"), std::string::npos);

    editor.time.editor.setText("1h30m", true);
    editor.action.setText("Replaced the guide", true);
    settle_messages(2);
    EXPECT_EQ(editor.hours, 1.5);
    EXPECT_EQ(editor.time.getComponentEffect(), nullptr);
    EXPECT_TRUE(editor.save_button.isEnabled());
    editor.time.editor.setText("", true);
    settle_messages(2);
    EXPECT_EQ(editor.hours, -1.0) << "an emptied time field is invalid";
    EXPECT_FALSE(editor.save_button.isEnabled());
    EXPECT_NE(read_log().find("cannot save log: hours \"-1\" are invalid"), std::string::npos);

    editor.author.combobox.setSelectedId(0, juce::sendNotificationSync);
    EXPECT_EQ(editor.author.getComponentEffect(), &editor.glow) << "an empty combo box glows";
    EXPECT_TRUE(EditorComponent::is_blank("") && EditorComponent::is_blank(" \t\r\n"));
    EXPECT_FALSE(EditorComponent::is_blank(" x "));
}

TEST_F(EditorSave, NewEntriesAreNumberedPerDepartmentAndRecorded)
{
    std::uint64_t first = 0;
    for (const char* problem : {"Chain broke", "Chain broke again"})
    {
        EditorWnd window;
        fill_new_entry(window.component, problem);
        ASSERT_TRUE(window.component.save_button.isEnabled()) << window.component.save_button.getTooltip();
        window.component.save_button.triggerClick();
        settle_messages(2);
        EXPECT_FALSE(window.isVisible()) << "a successful save closes the window";
        EXPECT_NE(window.component.dbid, 0u);
        if (first == 0)
            first = window.component.dbid;
    }
    EXPECT_EQ(database.value("SELECT string_agg(display_number::text || ':' || problem, ', ' ORDER BY id) FROM "
                             "vek.logs WHERE departments_id = 1 AND problem LIKE 'Chain%'"),
              "43:Chain broke, 44:Chain broke again")
        << "the highest number of the department plus one";
    EXPECT_EQ(history("description", first), "create new maintenance log | assigned display number 43");
    EXPECT_EQ(database.value("SELECT timestamp_start > now() - interval '1 minute' AND timestamp_end IS NULL "
                             "AND hours = 0 FROM vek.logs WHERE id = " + std::to_string(first)),
              "t")
        << "the server stamps the start; an open entry has no completion";

    database.execute("UPDATE vek.logs SET display_number = NULL WHERE id = 1003");
    EditorWnd sawmill(1003);
    sawmill.component.action.setText("Oiled the guides", true);
    settle_messages();
    ASSERT_TRUE(sawmill.component.save_order()) << "an unnumbered stored entry is numbered at its next save";
    EXPECT_EQ(database.value("SELECT display_number FROM vek.logs WHERE id = 1003"), "1")
        << "the first number of a department";
    EXPECT_EQ(sawmill.component.display_number, 1u);
}

TEST_F(EditorSave, ClosingSavesNowOnceAndTheStatusChangeIsRecorded)
{
    {
        EditorWnd window(1003);
        EditorComponent& editor = window.component;
        settle_messages();
        editor.status.select_dbid(2);
        editor.action.setText("Sharpened the saw", true);
        editor.time.editor.setText("45m", true);
        settle_messages();
        ASSERT_TRUE(editor.save_order());
    }
    EXPECT_EQ(history("description", 1003), "save existing maintenance log; set status to 'closed'");
    EXPECT_EQ(database.value("SELECT timestamp_end > now() - interval '1 minute' AND hours = 0.75 AND display_number "
                             "= 7 FROM vek.logs WHERE id = 1003"),
              "t");
    const std::string closed_at = database.value("SELECT floor(extract(epoch FROM timestamp_end)) FROM vek.logs "
                                                 "WHERE id = 1003");

    database.execute("UPDATE vek.logs SET timestamp_end = timestamp_end - interval '1 hour' WHERE id = 1003");
    EditorWnd again(1003);
    settle_messages();
    again.component.action.setText("Sharpened the saw twice", true);
    settle_messages();
    ASSERT_TRUE(again.component.save_order());
    EXPECT_EQ(database.value("SELECT floor(extract(epoch FROM timestamp_end)) + 3600 FROM vek.logs WHERE id = 1003"),
              closed_at)
        << "a second save keeps the completion time it loaded";
    EXPECT_EQ(history("description", 1003),
              "save existing maintenance log; set status to 'closed' | save existing maintenance log")
        << "the same status adds nothing";
}

TEST_F(EditorSave, TextsAreStoredByteForByteAndComeBackIdentical)
{
    std::string text = "don't \\ back\\slash & <b>bold</b>\ttab\nnew line\nÄÖÜ ß Ελληνικά 日本語 Кириллица\n";
    while (text.size() < 20000)
        text += "0123456789 abcdefghij ÄÖÜ ' \\ ";
    text.resize(20000);
    std::uint64_t id = 0;
    {
        EditorWnd window;
        fill_new_entry(window.component, text);
        window.component.action.setText(juce::String::fromUTF8(("action: " + text).c_str()), true);
        settle_messages();
        ASSERT_TRUE(window.component.save_order());
        id = window.component.dbid;
    }
    pqxx::nontransaction work(database.admin());
    const pqxx::result stored = work.exec("SELECT problem, action FROM vek.logs WHERE id = " + std::to_string(id));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0][0].as<std::string>(), text) << "stored byte for byte";
    EXPECT_EQ(stored[0][1].as<std::string>(), "action: " + text);

    EditorWnd reopened(id);
    settle_messages();
    EXPECT_EQ(reopened.component.get_entry_from_screen().problem, text) << "shown as stored";
    EXPECT_EQ(reopened.component.get_entry_from_screen().action, "action: " + text);
    EXPECT_FALSE(reopened.component.save_button.isEnabled()) << "and unchanged";
}

TEST_F(EditorSave, TheLockIsHeldUntilTheComponentGoesAndReleasedColumnsFirst)
{
    auto window = std::make_unique<EditorWnd>(1001);
    EXPECT_TRUE(window->component.is_locked);
    EXPECT_EQ(database.value("SELECT lock_name || ' ' || (lock_timestamp > now() - interval '1 minute') || ' ' || "
                             "(lock_ip_address IS NOT NULL) FROM vek.logs WHERE id = 1001"),
              user_identity() + " true true");
    EXPECT_FALSE(lock_is_free(1001));

    window->component.problem.setText("Belt slips badly", true);
    settle_messages();
    ASSERT_TRUE(window->component.save_order());
    window->closeButtonPressed();
    EXPECT_FALSE(lock_is_free(1001)) << "a save or a close does not release the lock";
    EXPECT_EQ(database.value("SELECT lock_name FROM vek.logs WHERE id = 1001"), user_identity());

    const auto log_before = read_log().size();
    window.reset();
    EXPECT_TRUE(lock_is_free(1001)) << "released with the component";
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs WHERE lock_name IS NOT NULL OR lock_timestamp IS NOT "
                             "NULL OR lock_ip_address IS NOT NULL"),
              "0");
    const std::string log = read_log().substr(log_before);
    const auto cleared = log.find("UPDATE vek.logs SET lock_name=NULL");
    const auto unlocked = log.find("SELECT pg_advisory_unlock(id)");
    ASSERT_NE(unlocked, std::string::npos) << "the lock is given back";
    EXPECT_LT(cleared, unlocked) << "the columns are cleared while the lock still keeps others out";

    EditorWnd clone(true, 1003);
    EXPECT_FALSE(clone.component.is_locked);
    EXPECT_TRUE(lock_is_free(1003)) << "a clone never locks";
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(EditorSave, ALockHeldElsewhereGivesAReadOnlyEditorNamingTheHolder)
{
    database.execute("SELECT pg_advisory_lock(1001)");
    struct Case
    {
        const char* columns;
        std::string expected;
    };
    const std::string tail =
        "\n\nYou can view the maintenance log, but you cannot edit or save it due to the previous user's lock.";
    const Case cases[] = {
        {"lock_name = 'anna@pm-office', lock_timestamp = now() - interval '10 minutes'",
         "This maintenance log entry is already locked by anna@pm-office. This lock was obtained 10 minutes ago."
             + tail},
        {"lock_name = 'anna@pm-office', lock_timestamp = NULL",
         "This maintenance log entry is already locked by anna@pm-office." + tail},
        {"lock_name = NULL, lock_timestamp = NULL", "This maintenance log entry is already locked by another user." + tail},
    };
    for (const Case& c : cases)
    {
        database.execute(std::string("UPDATE vek.logs SET ") + c.columns + " WHERE id = 1001");
        recorder().reset();
        EditorWnd window(1001);
        settle_messages();
        EXPECT_FALSE(window.component.is_locked);
        EXPECT_FALSE(window.component.isEnabled()) << "nothing can be edited";
        EXPECT_EQ(window.getBackgroundColour(), juce::Colour(221, 204, 204));
        EXPECT_EQ(window.component.problem.getText(), "Belt slips") << "but the entry is shown";
        const auto boxes = recorder().boxes();
        ASSERT_EQ(boxes.size(), 1u) << c.columns;
        EXPECT_EQ(boxes[0].title, "Maintenance Log Entry #1001 Is Locked!");
        EXPECT_EQ(boxes[0].message, c.expected);
        EXPECT_FALSE(boxes[0].modal);
        EXPECT_NE(read_log().find(c.expected), std::string::npos);
    }
    EXPECT_EQ(database.value("SELECT lock_name FROM vek.logs WHERE id = 1001"), "") << "a refused editor writes nothing";
}

TEST_F(EditorSave, AFailedLockQueryLeavesTheEditorReadOnly)
{
    // The lock function fails on the server: this session finds a broken one first.
    database.execute("CREATE FUNCTION vek.pg_try_advisory_lock(bigint) RETURNS boolean LANGUAGE plpgsql AS "
                     "$$ BEGIN RAISE EXCEPTION 'advisory locks are out of service'; END $$");
    database.execute("ALTER DATABASE " + database.name() + " SET search_path = vek, pg_catalog");
    test.app.database = std::make_unique<DB>(*test.app.cfg);

    EditorWnd window(1001);
    settle_messages();
    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u) << "the failure, once";
    EXPECT_EQ(boxes[0].title, "VEK problem detected!");
    EXPECT_NE(read_log().find("advisory locks are out of service"), std::string::npos);
    EXPECT_EQ(window.component.problem.getText(), "Belt slips") << "the entry is shown";
    EXPECT_TRUE(window.component.is_read_only()) << "no editing without the lock: the last save would silently win";
    EXPECT_FALSE(window.component.isEnabled());
    const std::string stamp = "SELECT last_updated::text FROM vek.logs WHERE id = 1001";
    const std::string updated = database.value(stamp);
    window.component.buttonClicked(&window.component.save_button);
    EXPECT_FALSE(window.component.isEnabled()) << "a failed save does not enable a read-only editor";
    EXPECT_FALSE(window.component.save_order()) << "a read-only editor refuses to save";
    EXPECT_EQ(database.value(stamp), updated) << "the entry is not written without its lock";
    EXPECT_EQ(history("description", 1001), "") << "nor a save recorded";
}

TEST_F(EditorSave, AFailedNumberingReleasesTheTableBeforeItsErrorIsShown)
{
    database.execute("CREATE FUNCTION vek.refuse_numbers() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "RAISE EXCEPTION 'numbers are refused'; END $$; "
                     "CREATE TRIGGER refuse_numbers BEFORE UPDATE OF display_number ON vek.logs "
                     "FOR EACH ROW EXECUTE FUNCTION vek.refuse_numbers()");
    // What another client can do while the user looks at the error.
    std::string read_while_shown;
    recorder().on_box = [&](const RecordingInteraction::Box&) {
        pqxx::connection other(sandbox::connection_string(database.name()));
        pqxx::work work(other);
        work.exec("SET LOCAL lock_timeout = '2s'");
        // The strongest lock there is: it waits for any lock at all on the table.
        work.exec("LOCK TABLE vek.logs IN ACCESS EXCLUSIVE MODE");
        read_while_shown = work.exec("SELECT count(*) FROM vek.logs")[0][0].c_str();
        work.commit();
    };

    EditorWnd window;
    fill_new_entry(window.component, "Numbering fails");
    window.component.save_button.triggerClick();
    settle_messages(2);
    recorder().on_box = nullptr;
    EXPECT_EQ(read_while_shown, "3") << "the table is free while the error is on screen";
    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u) << "reported once";
    EXPECT_NE(read_log().find("numbers are refused"), std::string::npos);
    EXPECT_TRUE(window.isVisible()) << "the editor stays open";
    EXPECT_TRUE(window.component.isEnabled());
    EXPECT_EQ(database.value("SELECT coalesce(display_number::text, 'none') FROM vek.logs WHERE problem = "
                             "'Numbering fails'"),
              "none")
        << "the entry is stored, its number comes with a later save";
}

TEST_F(EditorSave, ALostConnectionFailsTheSaveOnceKeepsTheTextAndItSavesOnceReconnected)
{
    EditorWnd window;
    fill_new_entry(window.component, "Typed before the server went away");
    // What a server shutdown does to every session.
    database.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + database.name()
                     + "' AND application_name LIKE 'vek %'");
    window.component.buttonClicked(&window.component.save_button);
    EXPECT_EQ(recorder().boxes().size(), 1u) << "one error";
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.component.isEnabled());
    EXPECT_EQ(window.component.problem.getText(), "Typed before the server went away");
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs"), "2") << "nothing half-written";
    EXPECT_TRUE(recorder().exits().empty());

    ASSERT_TRUE(pump_until([&] { return test.app.database->session_number() == 2; }, 20000)) << "reconnected";
    window.component.buttonClicked(&window.component.save_button);
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs WHERE problem = 'Typed before the server went away'"), "1");
}

TEST_F(EditorSave, AnEntryDeletedElsewhereFailsItsSaveAndTheEditorGoesOn)
{
    auto window = std::make_unique<EditorWnd>(1003);
    settle_messages();
    database.execute("DELETE FROM vek.logs WHERE id = 1003");
    window->component.problem.setText("Saw chatters, still", true);
    settle_messages();
    window->component.save_button.triggerClick();
    settle_messages(2);
    EXPECT_EQ(recorder().boxes().size(), 1u);
    EXPECT_NE(read_log().find("Expected a single SQL row result, but got back 0."), std::string::npos);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->component.isEnabled()) << "still usable";
    EXPECT_EQ(window->component.problem.getText(), "Saw chatters, still");
    window.reset();
    EXPECT_TRUE(recorder().exits().empty());
}

TEST_F(EditorSave, AFailingUnlockIsReportedOnceAndTheProgramGoesOn)
{
    auto window = std::make_unique<EditorWnd>(1001);
    ASSERT_TRUE(window->component.is_locked);
    database.execute("CREATE FUNCTION vek.keep_lock_name() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "IF NEW.lock_name IS NULL THEN RAISE EXCEPTION 'lock columns are frozen'; END IF; "
                     "RETURN NEW; END $$; "
                     "CREATE TRIGGER keep_lock_name BEFORE UPDATE ON vek.logs FOR EACH ROW EXECUTE FUNCTION "
                     "vek.keep_lock_name()");
    window.reset();
    EXPECT_EQ(recorder().boxes().size(), 1u) << "reported once";
    EXPECT_TRUE(recorder().exits().empty()) << "closing an editor never ends the program";
    EXPECT_NE(read_log().find("lock columns are frozen"), std::string::npos);
    EXPECT_TRUE(lock_is_free(1001)) << "the lock itself is still released";
}

TEST_F(EditorSave, ControlSSavesOnlyWhatCanBeSavedAndControlWCloses)
{
    // As the display delivers them: CTRL+S and CTRL+W carry their control characters.
    const juce::KeyPress ctrl_s('s', juce::ModifierKeys::ctrlModifier, 0x13);
    const juce::KeyPress ctrl_w('w', juce::ModifierKeys::ctrlModifier, 0x17);
    const auto press = [](EditorWnd& window, juce::Component& focus, const juce::KeyPress& key) {
        focus.grabKeyboardFocus();
        EXPECT_FALSE(focus.keyPressed(key)) << "the field leaves the key to the editor";
        const bool used = window.getPeer()->handleKeyPress(key);
        settle_messages(2);
        return used;
    };

    EditorWnd window(1003);
    EditorComponent& editor = window.component;
    settle_messages();
    ASSERT_NE(window.getPeer(), nullptr);
    EXPECT_TRUE(press(window, editor.problem, ctrl_s));
    EXPECT_TRUE(window.isVisible()) << "nothing changed: CTRL+S does nothing";
    EXPECT_EQ(editor.problem.getText(), "Saw chatters") << "and types nothing";
    EXPECT_EQ(history("description", 1003), "");

    editor.problem.setText("Saw chatters badly", true);
    settle_messages(2);
    EXPECT_TRUE(press(window, editor.action, ctrl_s));
    EXPECT_FALSE(window.isVisible()) << "a change saved closes the window";
    EXPECT_EQ(database.value("SELECT problem FROM vek.logs WHERE id = 1003"), "Saw chatters badly");

    EditorWnd other(1001);
    settle_messages();
    other.component.action.setText("Tightened it twice", true);
    EXPECT_TRUE(press(other, other.component.problem, ctrl_w));
    EXPECT_FALSE(other.isVisible()) << "CTRL+W closes as the close button does";
    EXPECT_EQ(database.value("SELECT action FROM vek.logs WHERE id = 1001"), "Tightened it") << "without saving";
    EXPECT_TRUE(other.component.keyPressed(EditorComponent::close_key));
    EXPECT_FALSE(other.component.keyPressed(juce::KeyPress('q', juce::ModifierKeys::ctrlModifier, 0)));
}

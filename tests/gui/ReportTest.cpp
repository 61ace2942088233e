#include "Brand.h"
#include "Log.h"
#include "ReportComponent.h"
#include "ReportGenerator.h"
#include "RowFactory.h"
#include "SampleLogs.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <sys/resource.h>
#include <thread>

namespace
{
// What an HTML parser that parses as browsers do makes of a file: its parse errors and a few
// facts of the tree, one "name=value" line each.
const char* const html_facts_script = R"PY(
import sys, html5lib
sys.stdout.reconfigure(encoding='utf-8')
parser = html5lib.HTMLParser(namespaceHTMLElements=False)
with open(sys.argv[1], 'rb') as f:
    root = parser.parse(f)
text = lambda e: '' if e is None else ''.join(e.itertext())
print('errors=%d' % len(parser.errors))
for error in parser.errors:
    print('error=%s' % (error,))
print('title=' + text(root.find('.//title')))
print('h1=' + text(root.find('.//h1')))
print('filter=' + text(root.find('.//span')))
print('scripts=%d' % len(root.findall('.//script')))
rows = root.findall('.//tr')
print('rows=%d' % len(rows))
print('widths=' + ' '.join(sorted({str(sum(int(c.get('colspan', '1')) for c in r if c.tag in ('td', 'th'))) for r in rows})))
print('cells=' + '|'.join(text(c) for r in rows for c in r if c.tag == 'td'))
)PY";

std::map<std::string, std::string> html_facts(const juce::File& file)
{
    std::map<std::string, std::string> facts;
    juce::ChildProcess python;
    if (! python.start(juce::StringArray{"/usr/bin/python3", "-c", html_facts_script, file.getFullPathName()}))
    {
        ADD_FAILURE() << "cannot start the HTML parser";
        return facts;
    }
    const juce::StringArray lines = juce::StringArray::fromLines(python.readAllProcessOutput());
    python.waitForProcessToFinish(30000);
    for (const auto& line : lines)
    {
        const std::string name = line.upToFirstOccurrenceOf("=", false, false).toStdString();
        facts[name] += (facts.count(name) != 0 && name == "error" ? "\n" : "")
                       + line.fromFirstOccurrenceOf("=", false, false).toStdString();
    }
    EXPECT_EQ(python.getExitCode(), 0u) << lines.joinIntoString("\n");
    return facts;
}

// The desktop's opener, replaced on the search path by a script that notes what it opens.
class FakeOpener
{
public:
    FakeOpener()
        : folder(juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("opener")),
          record(folder.getChildFile("opened.txt")), old_path(std::getenv("PATH"))
    {
        folder.createDirectory();
        const juce::File script = folder.getChildFile("xdg-open");
        script.replaceWithText("#!/bin/sh\necho \"$1\" >> '" + record.getFullPathName() + "'\n", false, false, "\n");
        script.setExecutePermission(true);
        setenv("PATH", (folder.getFullPathName().toStdString() + ":" + old_path).c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", old_path.c_str(), 1); }

    juce::StringArray opened() const
    {
        juce::StringArray lines;
        record.readLines(lines);
        lines.removeEmptyStrings();
        return lines;
    }

    // Waits for the two openings of a report: its folder and the file.
    bool saw_report_opened(const juce::File& report) const
    {
        const juce::String file = report.getFullPathName();
        const juce::String folder = report.getParentDirectory().getFullPathName();
        return pump_until([&] { return opened().contains(file) && opened().contains(folder); }, 5000);
    }

    juce::File folder;
    juce::File record;

private:
    std::string old_path;
};

// Cancels a report through its progress window's button once `cancel_at` entries are written.
class CancellingGenerator : public ReportGenerator
{
public:
    explicit CancellingGenerator(std::size_t entries) : cancel_at(entries) {}

protected:
    bool should_stop() override
    {
        if (asked++ == cancel_at)
        {
            juce::MessageManager::callAsync([this] {
                for (auto* child : getAlertWindow()->getChildren())
                    if (auto* button = dynamic_cast<juce::TextButton*>(child); button != nullptr
                                                                                && button->getName() == "Cancel")
                        button->triggerClick();
            });
            for (int waited = 0; ! threadShouldExit() && waited < 5000; waited += 5)
                juce::Thread::sleep(5);
        }
        return ReportGenerator::should_stop();
    }

private:
    std::size_t cancel_at;
    std::size_t asked = 0;
};

ReportComponent* find_report_options(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
    {
        if (auto* options = dynamic_cast<ReportComponent*>(child))
            return options;
        if (auto* found = find_report_options(*child))
            return found;
    }
    return nullptr;
}

juce::File report_folder()
{
    return juce::File::getSpecialLocation(juce::File::userDocumentsDirectory)
        .getChildFile(juce::String(Brand::current().code));
}

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class Report : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        add_sample_logs(database, 400);
    }

    static std::vector<std::string> choice_texts(const ReportComponent& options)
    {
        return {options.selected_choice.getButtonText().toStdString(),
                options.filtered_choice.getButtonText().toStdString(),
                options.all_choice.getButtonText().toStdString()};
    }

    static std::vector<bool> enabled(const ReportComponent& options)
    {
        return {options.selected_choice.isEnabled(), options.filtered_choice.isEnabled(),
                options.all_choice.isEnabled(), options.summary_button.isEnabled(),
                options.detailed_button.isEnabled()};
    }

    sandbox::Database database;
};
} // namespace

TEST_F(Report, OptionsCountWhatTheTableHolds)
{
    TestApp test(&database);
    auto& component = test.open_summary(1);
    const std::string all = std::to_string(component.all_rows.size());
    EXPECT_TRUE(component.reports_button.isRegisteredForShortcut(
        juce::KeyPress('r', juce::ModifierKeys::commandModifier, 0)))
        << "CTRL+R presses the reports button";

    // The button opens the options in a call-out box at it; no filter, nothing selected.
    component.reports_button.triggerClick();
    ReportComponent* options = nullptr;
    ASSERT_TRUE(pump_until([&] { return (options = find_report_options(component)) != nullptr; }, 3000));
    auto* box = options->findParentComponentOfClass<juce::CallOutBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(options->getName(), "report component");
    EXPECT_EQ(options->getWidth(), 600);
    EXPECT_EQ(options->getHeight(), 105);
    EXPECT_EQ(choice_texts(*options), (std::vector<std::string>{"selected logs", "filtered logs", "all " + all + " logs"}));
    EXPECT_EQ(enabled(*options), (std::vector<bool>{false, false, true, true, true}));
    EXPECT_TRUE(options->all_choice.getToggleState());
    box->dismiss();
    ASSERT_TRUE(pump_until([&] { return find_report_options(component) == nullptr; }, 3000));

    // A filter showing some rows, nothing selected.
    component.filter_box.setText("status=open", true);
    ASSERT_TRUE(pump_until([&] { return ! component.applied_words.empty(); }, 5000));
    pump_messages(100);
    const std::size_t shown = component.visible_rows.size();
    ASSERT_GT(shown, 1u);
    ASSERT_LT(shown, component.all_rows.size());
    {
        ReportComponent filtered(component);
        EXPECT_EQ(choice_texts(filtered),
                  (std::vector<std::string>{"selected logs", std::to_string(shown) + " filtered logs", "all " + all + " logs"}));
        EXPECT_EQ(enabled(filtered), (std::vector<bool>{false, true, true, true, true}));
        EXPECT_TRUE(filtered.filtered_choice.getToggleState());
        EXPECT_EQ(filtered.chosen_rows().size(), shown);
    }

    // One row selected.
    component.table.selectRow(1);
    {
        ReportComponent one(component);
        EXPECT_EQ(choice_texts(one)[0], "selected log");
        EXPECT_TRUE(one.selected_choice.getToggleState());
        const auto rows = one.chosen_rows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].id, component.visible_rows[1]->id);

        // Choosing all covers every loaded row, in the loaded order.
        one.all_choice.triggerClick();
        pump_messages(50);
        EXPECT_EQ(one.chosen_rows().size(), component.all_rows.size());
        EXPECT_EQ(one.chosen_rows().back().id, component.all_rows.back().id);
    }

    // Every shown row selected: the selected choice would cover no less than the filtered one.
    component.table.selectRangeOfRows(0, static_cast<int>(shown) - 1);
    {
        ReportComponent every(component);
        EXPECT_EQ(choice_texts(every)[0], "selected logs");
        EXPECT_EQ(enabled(every), (std::vector<bool>{false, true, true, true, true}));
        EXPECT_TRUE(every.filtered_choice.getToggleState());
    }

    // Nothing loaded: nothing to choose, nothing to make.
    component.table.deselectAllRows();
    component.visible_rows.clear();
    component.all_rows.clear();
    component.table.updateContent();
    {
        ReportComponent empty(component);
        EXPECT_EQ(choice_texts(empty), (std::vector<std::string>{"selected logs", "filtered logs", "all logs"}));
        EXPECT_EQ(enabled(empty), (std::vector<bool>{false, false, false, false, false}));
        EXPECT_TRUE(empty.chosen_rows().empty());
    }

    // Exactly one row loaded and shown.
    component.all_rows.push_back(make_summary_row(7, {{2, "PM-007"}}));
    component.visible_rows.push_back(&component.all_rows[0]);
    component.table.updateContent();
    {
        ReportComponent single(component);
        EXPECT_EQ(choice_texts(single), (std::vector<std::string>{"selected logs", "filtered logs", "1 log"}));
        EXPECT_EQ(enabled(single), (std::vector<bool>{false, false, true, true, true}));
    }
    component.visible_rows.clear();
    component.table.updateContent();
}

TEST_F(Report, DetailedReportOfTheSelectedRowIsWrittenAndOpened)
{
    FakeOpener opener;
    TestApp test(&database);
    test.app.report_generator = std::make_unique<ReportGenerator>();
    auto& component = test.open_summary(1);
    component.table.selectRow(2);
    const std::uint64_t id = component.visible_rows[2]->id;

    component.reports_button.triggerClick();
    ReportComponent* options = nullptr;
    ASSERT_TRUE(pump_until([&] { return (options = find_report_options(component)) != nullptr; }, 3000));
    options->detailed_button.triggerClick();

    const juce::File report = report_folder().getChildFile("detailed.html");
    ASSERT_TRUE(opener.saw_report_opened(report)) << opener.opened().joinIntoString("\n");
    EXPECT_EQ(find_report_options(component), nullptr) << "the call-out box has gone";
    EXPECT_EQ(test.app.report_generator->output_file, juce::File()) << "cleared once opened";
    EXPECT_TRUE(recorder().boxes().empty());

    auto facts = html_facts(report);
    EXPECT_EQ(facts["errors"], "0") << facts["error"];
    EXPECT_EQ(facts["rows"], "5") << "one entry: one block of five rows";
    EXPECT_EQ(facts["widths"], "5") << "every row five cells wide";
    EXPECT_EQ(facts["title"], "VEK - Supervisors - detailed report");
    const std::string html = report.loadFileAsString().toStdString();
    EXPECT_NE(html.find("Report on selected log.<br/>"), std::string::npos);
    EXPECT_NE(html.find("\t\t<th>" + std::string(component.visible_rows[2]->cell(2)) + "</th>"), std::string::npos)
        << "the entry #" << id;
    EXPECT_EQ(report_folder().findChildFiles(juce::File::findFiles, false).size(), 1) << "no temporary file left";
    EXPECT_NE(read_log().find("generating report " + report.getFullPathName().toStdString()), std::string::npos);
}

TEST_F(Report, TextsFromTheDatabaseAndTheFilterAreShownNotInterpreted)
{
    database.execute("INSERT INTO vek.roles (id, name) OVERRIDING SYSTEM VALUE VALUES (5, 'R&D <Crew>');"
                     "INSERT INTO vek.roleviews (roles_id, departments_id) VALUES (5, 1), (5, 2);"
                     "UPDATE vek.logs SET problem = 'R&D <urgent>' WHERE id = (SELECT max(id) FROM vek.logs WHERE "
                     "departments_id = 1)");
    // A machine without a desktop opener.
    const juce::File empty = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("empty");
    empty.createDirectory();
    const std::string old_path = std::getenv("PATH");
    setenv("PATH", empty.getFullPathName().toRawUTF8(), 1);

    TestApp test(&database);
    test.app.report_generator = std::make_unique<ReportGenerator>();
    auto& component = test.open_summary(5);
    component.filter_box.setText("<script>alert(1)</script>", true);
    ASSERT_TRUE(pump_until([&] { return ! component.applied_words.empty(); }, 5000));
    pump_messages(100);

    for (const int type : {ReportWriter::summary, ReportWriter::detailed})
    {
        recorder().reset();
        test.app.report_generator->generate(type, component.all_rows, "all logs");
        const juce::File report = report_folder().getChildFile(ReportWriter::type_name(type) + ".html");
        auto boxes = recorder().boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "Report written");
        EXPECT_EQ(boxes[0].message, "The report has been written to " + report.getFullPathName().toStdString() + ".")
            << "without an opener the user learns where the report is";

        auto facts = html_facts(report);
        EXPECT_EQ(facts["errors"], "0") << facts["error"];
        EXPECT_EQ(facts["scripts"], "0") << "no markup from the filter box";
        EXPECT_EQ(facts["title"], "VEK - R&D <Crew> - " + ReportWriter::type_name(type) + " report");
        EXPECT_EQ(facts["h1"], (type == ReportWriter::summary ? "Summary" : "Detailed") + std::string(" Report: R&D <Crew> Maintenance Logs"));
        EXPECT_EQ(facts["filter"], " <SCRIPT>ALERT(1)</SCRIPT>");
        EXPECT_NE(facts["cells"].find("|R&D <urgent>|"), std::string::npos) << "the problem text as it was typed";
        if (type == ReportWriter::summary)
        {
            EXPECT_EQ(facts["rows"], std::to_string(component.all_rows.size() + 2)) << "the header at top and bottom";
            EXPECT_EQ(facts["widths"], "16") << "the default columns, without Matches";
        }
        else
        {
            EXPECT_EQ(facts["rows"], std::to_string(component.all_rows.size() * 6 - 1));
            EXPECT_EQ(facts["widths"], "5");
        }
    }

    // A second summary report replaces the first.
    test.app.report_generator->generate(ReportWriter::summary, {component.all_rows[0]}, "selected log");
    const juce::File summary = report_folder().getChildFile("summary.html");
    EXPECT_NE(summary.loadFileAsString().indexOf("Report on selected log."), -1);
    EXPECT_EQ(report_folder().findChildFiles(juce::File::findFiles, false).size(), 2)
        << "summary.html and detailed.html, nothing else";
    setenv("PATH", old_path.c_str(), 1);
}

TEST_F(Report, FailedReportsOpenNothing)
{
    FakeOpener opener;
    TestApp test(&database);
    test.app.report_generator = std::make_unique<ReportGenerator>();
    auto& component = test.open_summary(1);
    ReportGenerator& generator = *test.app.report_generator;

    // The report folder cannot be made: a file stands in its place.
    report_folder().getParentDirectory().createDirectory();
    report_folder().replaceWithText("not a folder");
    generator.generate(ReportWriter::summary, component.all_rows, "all logs");
    ASSERT_EQ(recorder().boxes().size(), 1u);
    EXPECT_EQ(recorder().boxes()[0].title, "VEK problem detected!");
    EXPECT_NE(read_log().find("Cannot create the report folder " + report_folder().getFullPathName().toStdString()),
              std::string::npos);
    report_folder().deleteFile();

    // An older report, opened as usual.
    generator.generate(ReportWriter::detailed, {component.all_rows[0]}, "selected log");
    const juce::File report = report_folder().getChildFile("detailed.html");
    ASSERT_TRUE(opener.saw_report_opened(report));
    const juce::String older = report.loadFileAsString();
    opener.record.deleteFile();

    // The disk fills up while a big report is written.
    std::vector<SummaryRow> big;
    for (std::uint64_t id = 1; id <= 3000; ++id)
        big.push_back(make_summary_row(id, {{2, "PM-" + std::to_string(id)}, {18, std::string(1000, 'x')}}));
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 1 << 20;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    recorder().reset();
    generator.generate(ReportWriter::detailed, big, "all 3000 logs");
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    ASSERT_EQ(recorder().boxes().size(), 1u) << "the failure is shown once";
    EXPECT_NE(read_log().find("Cannot write the report file "), std::string::npos);
    EXPECT_EQ(report.loadFileAsString(), older) << "the older report is untouched";
    EXPECT_EQ(report_folder().findChildFiles(juce::File::findFiles, false).size(), 1) << "no truncated file left";
    pump_messages(300);
    EXPECT_TRUE(opener.opened().isEmpty()) << "nothing is opened after a failure";
}

TEST_F(Report, CancelledReportKeepsWhatWasWrittenAndSaysSo)
{
    FakeOpener opener;
    TestApp test(&database);
    auto& component = test.open_summary(1);
    const std::size_t chosen = component.all_rows.size();
    ASSERT_GT(chosen, 30u);

    test.app.report_generator = std::make_unique<CancellingGenerator>(25);
    test.app.report_generator->generate(ReportWriter::summary, component.all_rows, "all logs");
    const juce::File report = report_folder().getChildFile("summary.html");
    ASSERT_TRUE(opener.saw_report_opened(report)) << "a cancelled report that is kept is opened";
    const std::string html = report.loadFileAsString().toStdString();
    EXPECT_NE(html.find("summary report (cancelled: 25 of " + std::to_string(chosen) + " logs)</title>"),
              std::string::npos);
    EXPECT_NE(html.find("Cancelled: this report holds 25 of the " + std::to_string(chosen) + " chosen logs."),
              std::string::npos);
    auto facts = html_facts(report);
    EXPECT_EQ(facts["errors"], "0") << facts["error"];
    EXPECT_EQ(facts["rows"], "27") << "25 entries between two header rows";
    EXPECT_TRUE(recorder().boxes().empty());
    EXPECT_NE(read_log().find("report cancelled after 25 of " + std::to_string(chosen) + " log entries"),
              std::string::npos);

    // Cancelled before the first entry: no report, the older one stays and is not opened again.
    opener.record.deleteFile();
    test.app.report_generator = std::make_unique<CancellingGenerator>(0);
    test.app.report_generator->generate(ReportWriter::summary, component.all_rows, "all logs");
    auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Report cancelled");
    EXPECT_EQ(report.loadFileAsString().toStdString(), html);
    EXPECT_EQ(count_of(read_log(), "report cancelled after 0 of "), 1u);
    pump_messages(300);
    EXPECT_TRUE(opener.opened().isEmpty());
}

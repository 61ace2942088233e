#include "Brand.h"
#include "History.h"
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

namespace
{
// Facts of an HTML file as html5lib, which parses as browsers do, sees it: "name=value" lines.
const char* const html_facts_script = R"PY(
import sys, html5lib
parser = html5lib.HTMLParser(namespaceHTMLElements=False)
root = parser.parse(open(sys.argv[1], 'rb'))
text = lambda e: '' if e is None else ''.join(e.itertext())
rows = root.findall('.//tr')
width = lambda r: str(sum(int(c.get('colspan', '1')) for c in r if c.tag in ('td', 'th')))
print('errors=' + repr(parser.errors))
for name in ('title', 'h1', 'span'):
    print(name + '=' + text(root.find('.//' + name)))
print('scripts=%d\nrows=%d\nwidths=%s' % (len(root.findall('.//script')), len(rows), ' '.join(sorted({width(r) for r in rows}))))
)PY";

std::map<std::string, std::string> html_facts(const juce::File& file)
{
    std::map<std::string, std::string> facts;
    juce::ChildProcess python;
    EXPECT_TRUE(python.start(juce::StringArray{"/usr/bin/python3", "-c", html_facts_script, file.getFullPathName()}));
    for (const auto& line : juce::StringArray::fromLines(python.readAllProcessOutput()))
        facts[line.upToFirstOccurrenceOf("=", false, false).toStdString()]
            = line.fromFirstOccurrenceOf("=", false, false).toStdString();
    return facts;
}

// The desktop's opener, replaced on the search path by a script that notes what it opens.
class FakeOpener
{
public:
    const juce::File folder = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("opener");
    const juce::File record = folder.getChildFile("opened.txt");
    const std::string old_path = std::getenv("PATH");

    // The search path holds the opener's folder alone; without the opener, nothing.
    explicit FakeOpener(bool installed = true)
    {
        folder.createDirectory();
        const juce::File script = folder.getChildFile("xdg-open");
        if (installed)
            script.replaceWithText("#!/bin/sh\necho \"$1\" >> '" + record.getFullPathName() + "'\n", false, false, "\n");
        script.setExecutePermission(true);
        setenv("PATH", folder.getFullPathName().toRawUTF8(), 1);
    }
    ~FakeOpener() { setenv("PATH", old_path.c_str(), 1); }

    juce::String opened() const { return record.loadFileAsString(); }

    // Both openings of a report, its folder's and its own, have happened.
    bool saw_opened(const juce::File& report) const
    {
        const juce::String file = report.getFullPathName() + "\n";
        const juce::String folder_line = report.getParentDirectory().getFullPathName() + "\n";
        return pump_until([&] { return opened() == file + folder_line || opened() == folder_line + file; }, 5000);
    }
};

// Presses the progress window's cancel button when the writer asks before entry `cancel_at`.
class CancellingGenerator : public ReportGenerator
{
public:
    explicit CancellingGenerator(std::size_t entry) : cancel_at(entry) {}

protected:
    bool should_stop() override
    {
        if (asked++ == cancel_at)
        {
            juce::MessageManager::callAsync([this] { getAlertWindow()->exitModalState(0); });
            while (! threadShouldExit())
                juce::Thread::sleep(5);
        }
        return ReportGenerator::should_stop();
    }

private:
    std::size_t cancel_at;
    std::size_t asked = 0;
};

juce::File report_file(const char* name)
{
    return juce::File::getSpecialLocation(juce::File::userDocumentsDirectory)
        .getChildFile(juce::String(Brand::current().code))
        .getChildFile(name);
}

// The report panel in its call-out box at the summary window's reports button, if it is open.
ReportComponent* report_panel(juce::Component& summary)
{
    for (auto* child : summary.getChildren())
        if (auto* box = dynamic_cast<juce::CallOutBox*>(child))
            return dynamic_cast<ReportComponent*>(box->getChildComponent(0));
    return nullptr;
}

int files_in_report_folder()
{
    return report_file("x").getParentDirectory().findChildFiles(juce::File::findFiles, false).size();
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

    // The choices' texts, then which of the choices and report buttons are enabled.
    static std::string options(ShiftLogSummaryComponent& component)
    {
        ReportComponent panel(component);
        std::string text;
        for (juce::Button* choice : {&panel.selected_choice, &panel.filtered_choice, &panel.all_choice})
            text += choice->getButtonText().toStdString() + (choice->getToggleState() ? "*|" : "|");
        for (juce::Button* button : std::initializer_list<juce::Button*>{&panel.selected_choice, &panel.filtered_choice,
                                                                          &panel.all_choice, &panel.summary_button,
                                                                          &panel.detailed_button})
            text += button->isEnabled() ? "1" : "0";
        return text;
    }

    sandbox::Database database;
};
} // namespace

TEST_F(Report, OptionsCountWhatTheTableHolds)
{
    TestApp test(&database);
    auto& component = test.open_summary(1);
    const std::string all = "all " + std::to_string(component.all_rows.size()) + " logs";
    EXPECT_EQ(options(component), "selected logs|filtered logs|" + all + "*|00111") << "no filter, no selection";

    component.filter_box.setText("status=open", true);
    ASSERT_TRUE(pump_until([&] { return ! component.applied_words.empty(); }, 5000));
    const std::string shown = std::to_string(component.visible_rows.size());
    EXPECT_EQ(options(component), "selected logs|" + shown + " filtered logs*|" + all + "|01111");
    // Sorted by log number, the open entries lie among the others: a report of the loaded row at
    // the selected position would be another.
    component.table.getHeader().setSortColumnId(2, true);
    settle_messages();
    int moved = 0;
    while (moved < component.getNumRows() && component.visible_rows[moved] == &component.all_rows[moved])
        ++moved;
    ASSERT_LT(moved, component.getNumRows()) << "some shown row is not the loaded one at its position";
    component.table.selectRow(moved);
    EXPECT_EQ(options(component), "selected log*|" + shown + " filtered logs|" + all + "|11111");
    EXPECT_EQ(ReportComponent(component).chosen_rows().at(0).id, component.visible_rows[moved]->id)
        << "the selected row, not the loaded row at its position";
    component.table.selectRangeOfRows(0, component.getNumRows() - 1);
    EXPECT_EQ(options(component), "selected logs|" + shown + " filtered logs*|" + all + "|01111")
        << "every shown row selected";

    component.table.deselectAllRows();
    component.visible_rows.clear();
    std::vector<SummaryRow> loaded = std::move(component.all_rows);
    EXPECT_EQ(options(component), "selected logs|filtered logs|all logs|00000") << "nothing loaded";
    component.all_rows = {make_summary_row(7, {})};
    component.visible_rows = {&component.all_rows[0]};
    EXPECT_EQ(options(component), "selected logs|filtered logs|1 log*|00111") << "one row loaded and shown";
    component.all_rows = std::move(loaded);
    component.apply_filter(true);

    // The button and CTRL+R open the panel in a call-out box; a report button closes it.
    FakeOpener opener;
    test.app.report_generator = std::make_unique<ReportGenerator>();
    EXPECT_TRUE(component.reports_button.isRegisteredForShortcut(juce::KeyPress('r', juce::ModifierKeys::commandModifier, 0)));
    component.table.selectRow(2);
    component.reports_button.triggerClick();
    ReportComponent* panel = nullptr;
    ASSERT_TRUE(pump_until([&] { return (panel = report_panel(component)) != nullptr; }, 3000));
    EXPECT_EQ(panel->getName(), "report component");
    panel->detailed_button.triggerClick();
    const juce::File report = report_file("detailed.html");
    ASSERT_TRUE(opener.saw_opened(report)) << opener.opened();
    auto facts = html_facts(report);
    EXPECT_EQ(facts["errors"], "[]");
    EXPECT_EQ(facts["rows"], "5") << "one entry, one block of five rows";
    EXPECT_EQ(facts["widths"], "5");
    EXPECT_NE(report.loadFileAsString().indexOf("<th>" + juce::String(std::string(component.visible_rows[2]->cell(2))) + "</th>"), -1);
    EXPECT_TRUE(recorder().boxes().empty());

    juce::StringArray head = juce::StringArray::fromLines(report.loadFileAsString());
    head.removeRange(18, head.size());
    EXPECT_TRUE(head[8].startsWith("\t<!-- 20") && head[8].endsWith(" -->") && head[8].length() == 29) << head[8];
    head.set(8, "(time)");
    EXPECT_EQ(head.joinIntoString("\n").toStdString(),
              "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n\t<meta charset=\"UTF-8\"/>\n"
              "\t<title>VEK - Supervisors - detailed report</title>\n\t<!-- " + Brand::current().title_prefix
                  + "VEK v1.2.1-3304 -->\n\t<!-- " + ReportWriter::documentation_address + " -->\n\t<!-- "
                  + user_identity() + " -->\n(time)\n\t<style>\nh1 { font-size: 115%; line-height: 80%; }\n"
                  "h2 { font-size:  75%; line-height: 80%; }\n"
                  "table { border-collapse: collapse; border: 1px solid black; }\n"
                  "th, td { white-space: nowrap; border: 1px solid black; }\n"
                  ".mono { font-family: 'Courier New', Courier, 'Lucida Console', Monaco, monospace; }\n"
                  "\t</style>\n</head>\n<body>");
    EXPECT_NE(std::string(ReportWriter::documentation_address).find("/vek/doc/"), std::string::npos);
    const std::string log = read_log();
    EXPECT_NE(log.find("special folder: docs=" + juce::File::getSpecialLocation(juce::File::userDocumentsDirectory)
                                                      .getFullPathName().toStdString() + "\n"),
              std::string::npos);
    EXPECT_NE(log.find("generating report " + report.getFullPathName().toStdString() + "\n"), std::string::npos);
}

TEST_F(Report, TextsFromTheDatabaseAndTheFilterAreShownNotInterpreted)
{
    database.execute("INSERT INTO vek.roles (id, name) OVERRIDING SYSTEM VALUE VALUES (5, 'R&D <Crew>');"
                     "INSERT INTO vek.roleviews (roles_id, departments_id) VALUES (5, 1), (5, 2);"
                     "UPDATE vek.logs SET problem = 'R&D <urgent>' WHERE id = (SELECT max(id) FROM vek.logs)");
    FakeOpener no_opener(false);
    TestApp test(&database);
    test.app.report_generator = std::make_unique<ReportGenerator>();
    auto& component = test.open_summary(5);
    component.filter_box.setText("<script>alert(1)</script>", true);
    ASSERT_TRUE(pump_until([&] { return ! component.applied_words.empty(); }, 5000));

    const std::size_t rows = component.all_rows.size();
    for (const char* type : {"summary", "detailed"})
    {
        recorder().reset();
        test.app.report_generator->generate(type[0] == 's' ? 1 : 2, component.all_rows, "all logs");
        const juce::File report = report_file(type == std::string("summary") ? "summary.html" : "detailed.html");
        ASSERT_EQ(recorder().boxes().size(), 1u);
        EXPECT_EQ(recorder().boxes()[0].message, "The report has been written to " + report.getFullPathName() + ".")
            << "without an opener the user learns where the report is";
        auto facts = html_facts(report);
        EXPECT_EQ(facts["errors"], "[]");
        EXPECT_EQ(facts["scripts"], "0");
        EXPECT_EQ(facts["title"], "VEK - R&D <Crew> - " + std::string(type) + " report");
        EXPECT_NE(facts["h1"].find("Report: R&D <Crew> Maintenance Logs"), std::string::npos) << facts["h1"];
        EXPECT_EQ(facts["span"], " <SCRIPT>ALERT(1)</SCRIPT>");
        EXPECT_EQ(facts["rows"], std::to_string(type[0] == 's' ? rows + 2 : rows * 6 - 1));
        EXPECT_EQ(facts["widths"], type[0] == 's' ? "16" : "5") << "every row as wide as the table";
        EXPECT_NE(report.loadFileAsString().indexOf(">R&amp;D &lt;urgent&gt;</td>"), -1);
    }
    test.app.report_generator->generate(1, {component.all_rows[0]}, "selected log");
    EXPECT_NE(report_file("summary.html").loadFileAsString().indexOf("Report on selected log."), -1)
        << "a new report replaces the last of its kind";
    EXPECT_EQ(files_in_report_folder(), 2);
}

TEST_F(Report, OnlyAReportWrittenWholeIsOpened)
{
    FakeOpener opener;
    TestApp test(&database);
    test.app.report_generator = std::make_unique<ReportGenerator>();
    auto& component = test.open_summary(1);
    const juce::File report = report_file("summary.html");

    // No folder can be made where a file stands.
    report.getParentDirectory().getParentDirectory().createDirectory();
    report.getParentDirectory().replaceWithText("a file");
    test.app.report_generator->generate(1, component.all_rows, "all logs");
    EXPECT_EQ(recorder().boxes().size(), 1u) << "the failure is shown once";
    EXPECT_NE(read_log().find("Cannot create the report folder"), std::string::npos);
    report.getParentDirectory().deleteFile();

    // Cancelled after 25 entries: a whole report of those, which says so.
    const std::string chosen = std::to_string(component.all_rows.size());
    test.app.report_generator = std::make_unique<CancellingGenerator>(25);
    test.app.report_generator->generate(1, component.all_rows, "all logs");
    ASSERT_TRUE(opener.saw_opened(report)) << "a cancelled report that is kept is opened";
    const juce::String kept = report.loadFileAsString();
    EXPECT_NE(kept.indexOf("Cancelled: this report holds 25 of the " + chosen + " chosen logs."), -1);
    EXPECT_EQ(html_facts(report)["rows"], "27") << "25 entries between two header rows";

    // Cancelled before the first entry: a report of none, which says so, opened like any other.
    opener.record.deleteFile();
    test.app.report_generator = std::make_unique<CancellingGenerator>(0);
    test.app.report_generator->generate(1, component.all_rows, "all logs");
    ASSERT_TRUE(opener.saw_opened(report)) << "a report cancelled at once is opened too";
    const juce::String none = report.loadFileAsString();
    EXPECT_NE(none.indexOf("Cancelled: this report holds 0 of the " + chosen + " chosen logs."), -1);
    EXPECT_EQ(html_facts(report)["rows"], "1") << "the header row alone";
    EXPECT_EQ(recorder().boxes().size(), 1u) << "no box besides the first failure's";

    // Out of space: the older report stays and is not opened.
    opener.record.deleteFile();

    std::vector<SummaryRow> big;
    for (std::uint64_t id = 1; id <= 3000; ++id)
        big.push_back(make_summary_row(id, {{18, std::string(1000, 'x')}}));
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 1 << 20;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    test.app.report_generator->generate(1, big, "all 3000 logs");
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(recorder().boxes().size(), 2u) << "one more window, for the failed write";
    EXPECT_NE(read_log().find("Cannot write the report file"), std::string::npos);

    pump_messages(300);
    EXPECT_EQ(report.loadFileAsString(), none) << "the older report is untouched";
    EXPECT_EQ(files_in_report_folder(), 1) << "no truncated or hidden file left";
    EXPECT_EQ(opener.opened(), "") << "nothing opened";

    // A documents folder whose name a shell would run: opened as the one argument it is.
    const juce::File home = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
    const juce::File user_dirs = home.getChildFile(".config/user-dirs.dirs");
    const juce::String hostile = "docs $(touch x) `touch y` \" end";
    ASSERT_TRUE(home.getChildFile(hostile).createDirectory());
    user_dirs.getParentDirectory().createDirectory();
    user_dirs.replaceWithText("XDG_DOCUMENTS_DIR=\"$HOME/" + hostile + "\"\n");
    juce::File::getCurrentWorkingDirectory().getChildFile("x").deleteFile();
    test.app.report_generator = std::make_unique<ReportGenerator>();
    test.app.report_generator->generate(1, component.all_rows, "all logs");
    const juce::File moved = home.getChildFile(hostile).getChildFile(Brand::current().code).getChildFile("summary.html");
    EXPECT_TRUE(opener.saw_opened(moved)) << opener.opened();
    for (const juce::File& folder : {juce::File::getCurrentWorkingDirectory(), home, home.getChildFile(hostile)})
        EXPECT_FALSE(folder.getChildFile("x").exists() || folder.getChildFile("y").exists()) << "no shell ran the name";
    user_dirs.deleteFile();
}

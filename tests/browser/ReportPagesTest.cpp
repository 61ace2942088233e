#include "Brand.h"
#include "FakeLogs.h"
#include "ReportGenerator.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "TestSupport.h"
#include "ZelPQDB.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace
{
// What html5lib, which parses as browsers do, sees in a page: "errors N scripts N", then for the
// totals "heading|group|entries|hours" per table row and "label|text" per chart label. For the
// CSV file, each record as Python's csv module reads it, its fields joined by 0x1F, as FNV-1a.
const char* const facts_script = R"PY(
import sys, csv, html5lib
if sys.argv[1].endswith('.csv'):
    for record in csv.reader(open(sys.argv[1], newline='', encoding='utf-8-sig')):
        h = 0xcbf29ce484222325
        for byte in '\x1f'.join(record).encode('utf-8'):
            h = ((h ^ byte) * 0x100000001b3) & 0xffffffffffffffff
        print(h)
    sys.exit()
parser = html5lib.HTMLParser(namespaceHTMLElements=False)
root = parser.parse(open(sys.argv[1], 'rb'))
print('errors %d scripts %d' % (len(parser.errors), len(root.findall('.//script'))))
heading = None
for e in root.iter():
    cells = [''.join(c.itertext()) for c in e if c.tag == 'td']
    if e.tag == 'h2':
        heading = ''.join(e.itertext())
    elif e.tag == 'tr' and len(cells) == 3:
        print('|'.join([heading] + cells))
    elif str(e.tag).endswith('}text') and e.get('text-anchor') == 'end':
        print('label|' + ''.join(e.itertext()))
)PY";

juce::StringArray facts(const juce::File& file)
{
    juce::ChildProcess python;
    EXPECT_TRUE(python.start(juce::StringArray{"/usr/bin/python3", "-c", facts_script, file.getFullPathName()}));
    return juce::StringArray::fromLines(python.readAllProcessOutput().trimEnd());
}

// The share of near-white pixels in the page as headless Chromium paints it; 1 when it paints none.
double blank_share(const juce::File& page, const juce::File& picture)
{
    const juce::File profile = juce::File::createTempFile("chromium");
    juce::ChildProcess chromium;
    EXPECT_TRUE(chromium.start(juce::StringArray{
        "/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
        "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
        "--window-size=1000,1000", "--user-data-dir=" + profile.getFullPathName(),
        "--screenshot=" + picture.getFullPathName(), "file://" + page.getFullPathName()}));
    EXPECT_TRUE(chromium.waitForProcessToFinish(300000)) << "chromium took over 5 minutes";
    profile.deleteRecursively();
    const juce::Image image = juce::ImageFileFormat::loadFrom(picture);
    int white = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            white += image.getPixelAt(x, y).getBrightness() > 0.8f ? 1 : 0;
    return image.isValid() ? white / double(image.getWidth() * image.getHeight()) : 1.0;
}
} // namespace

// A site made as the benchmarks make theirs, with 10,000 entries and hostile names and texts.
TEST(ReportPages, TenThousandEntriesInABrowserAndASpreadsheet)
{
    sandbox::Database database;
    database.execute(juce::File(VEK_SOURCE_DIR "/db/demo-data.sql").loadFileAsString().toStdString());
    Zel::PQDB db(sandbox::connection_string(database.name()));
    FakeLogs fake(db);
    fake.add_reference_data(5000, 2000, 300, 1);
    fake.add_log_entries(10000, 2);
    const std::string hostile = "<script>x</script> & \"Ωμ\" 'Др'"; // short enough to label a chart whole
    database.execute("UPDATE vek.process SET name = '" + database.admin().esc(hostile) + "' WHERE id = (SELECT m.process_id FROM "
                     "vek.logs l JOIN vek.motors m ON m.id = l.motor_id ORDER BY l.id DESC LIMIT 1);"
                     "UPDATE vek.logs SET problem = E'say \"hi\", <b>now</b>\\r\\nΩ', action = E'a,b\\n\"c\"' "
                     "WHERE id IN (SELECT id FROM vek.logs ORDER BY id DESC LIMIT 50)");

    TestApp test(&database);
    auto& component = test.open_summary(1);
    component.load(5);
    ASSERT_GE(component.all_rows.size(), 10000u);
    const std::vector<SummaryRow> rows(component.all_rows.begin(), component.all_rows.begin() + 10000);
    put_fake_program("xdg-open", "exit 0");
    test.app.report_generator = std::make_unique<ReportGenerator>();
    for (const int type : {1, 2, 3, 4})
        test.app.report_generator->generate(type, rows, "all 10000 logs");
    EXPECT_TRUE(recorder().boxes().empty());

    // VEK_SCREENSHOT_DIR keeps the pictures (the README's came from there).
    const juce::File folder = juce::File::getSpecialLocation(juce::File::userDocumentsDirectory)
                                  .getChildFile(juce::String(Brand::current().code));
    const char* keep = std::getenv("VEK_SCREENSHOT_DIR");
    for (const juce::String name : {"totals", "summary", "detailed"})
    {
        EXPECT_EQ(facts(folder.getChildFile(name + ".html"))[0], "errors 0 scripts 0") << name;
        const juce::File picture = (keep != nullptr ? juce::File(keep) : folder).getChildFile(name + ".png");
        EXPECT_LT(blank_share(folder.getChildFile(name + ".html"), picture), 0.99) << name << " paints blank";
    }

    // Each table row of the totals is its group's sum over the rows; the hostile name is a label.
    std::map<std::string, std::pair<std::size_t, double>> sums;
    for (const auto& row : rows)
        for (const auto& [cell, heading] : std::map<int, std::string>{{11, "System"}, {12, "Equipment"},
                 {10, "Cost Center"}, {17, "Category"}, {14, "Department"}, {15, "Author"}, {9, "Status"},
                 {21, "Downtime Reason"}})
        {
            auto& sum = sums["By " + heading + "|" + (row.cell(cell).empty() ? "(none)" : std::string(row.cell(cell)))];
            sum.first += 1;
            sum.second += row.hours;
        }
    std::size_t groups = 0;
    int hostile_labels = 0;
    for (const auto& line : facts(folder.getChildFile("totals.html")))
    {
        const juce::StringArray parts = juce::StringArray::fromTokens(line, "|", "");
        hostile_labels += line == juce::String("label|") + ShownText::from_bytes(hostile);
        if (parts.size() != 4 || parts[0] == "By week")
            continue;
        const auto& sum = sums[(parts[0] + "|" + parts[1]).toStdString()];
        EXPECT_EQ(parts[2].getLargeIntValue(), static_cast<juce::int64>(sum.first)) << line;
        EXPECT_NEAR(parts[3].getDoubleValue(), sum.second, 0.005) << line;
        ++groups;
    }
    EXPECT_EQ(groups, sums.size()) << "every group in its table";
    EXPECT_EQ(hostile_labels, 1) << "the system's name as a chart label";

    // The spreadsheet's records are the visible columns' header texts and the rows' cells, with
    // the full problem and action texts.
    std::map<std::uint64_t, pqxx::row> stored;
    const pqxx::result texts = pqxx::nontransaction(database.admin()).exec("SELECT id, problem, action FROM vek.logs");
    for (const auto& row : texts)
        stored.emplace(row[0].as<std::uint64_t>(), row);
    auto& header = component.table.getHeader();
    const juce::StringArray digests = facts(folder.getChildFile("logs.csv"));
    ASSERT_EQ(digests.size(), 10001);
    int differing = 0;
    for (std::size_t i = 0; i <= rows.size(); ++i)
    {
        std::string record;
        for (int index = 0; index < header.getNumColumns(true); ++index)
        {
            const int id = header.getColumnIdOfIndex(index, true);
            record += index > 0 ? "\x1f" : "";
            if (i == 0)
                record += header.getColumnName(id).toStdString();
            else if (id == 18 || id == 19)
                record += stored.at(rows[i - 1].id)[id - 17].c_str();
            else
                record += id == 22 ? std::to_string(rows[i - 1].search_count) : std::string(rows[i - 1].cell(id));
        }
        std::uint64_t digest = 0xcbf29ce484222325;
        for (const unsigned char byte : record)
            digest = (digest ^ byte) * 0x100000001b3;
        differing += digests[static_cast<int>(i)] != juce::String(std::to_string(digest));
    }
    EXPECT_EQ(differing, 0) << "records that Python reads otherwise";
}

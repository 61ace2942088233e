// Speed and memory of the client on a big site, each timing a ratio against a baseline measured
// in the same run (the machine is shared and noisy). Prints one line per figure:
//     name value unit target verdict
// and a last line that counts the figures that missed their targets. The database comes from
// the client's configuration file; the current role must see every department.

#include "Admin2FieldComponent.h"
#include "AdminComponent.h"
#include "Cfg.h"
#include "DB.h"
#include "EditorComponent.h"
#include "LiveListBench.h"
#include "LoadWnd.h"
#include "LogLoader.h"
#include "ReportGenerator.h"
#include "ShownText.h"
#include "SummarySort.h"
#include "TextFilter.h"
#include "VekApp.h"
#include "VekLookAndFeel.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <malloc.h>
#include <random>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace
{
struct Figure
{
    std::string name;
    double value;
    std::string unit;
    double target;
};

std::vector<Figure> figures;

double seconds_of(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of this process, user and system: what the work itself costs, however often
// the busy machine takes the processor away in between.
double processor_seconds_of(const std::function<void()>& work)
{
    const std::clock_t start = std::clock();
    work();
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// The fastest of a few alternating runs of the work and its baseline: the least disturbed by
// whatever else the machine does.
std::pair<double, double> best_of(int runs, const std::function<void()>& work, const std::function<void()>& baseline,
                                  double (*timed)(const std::function<void()>&) = seconds_of)
{
    double best_work = 1e30;
    double best_baseline = 1e30;
    for (int run = 0; run < runs; ++run)
    {
        best_baseline = std::min(best_baseline, timed(baseline));
        best_work = std::min(best_work, timed(work));
    }
    return {best_work, best_baseline};
}

long resident_bytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Collects Google Benchmark's per-iteration times by name: the fastest repetition, the one
// least disturbed by the rest of the machine.
class Collector : public benchmark::BenchmarkReporter
{
public:
    std::map<std::string, double> seconds;

    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
        {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const double per_iteration = run.real_accumulated_time / static_cast<double>(run.iterations);
            const auto found = seconds.find(run.run_name.function_name);
            if (found == seconds.end() || per_iteration < found->second)
                seconds[run.run_name.function_name] = per_iteration;
        }
    }
};

class Quiet : public LogLoader::Observer
{
};

// ---------------------------------------------------------------------------------------------
// Start-up: the reference tables read and stored by the start-up sequence, against the same
// statements as plain queries.

void measure_startup(VekApplication& app)
{
    const std::vector<std::string> statements{
        "SELECT * FROM vek.cost_center",
        "SELECT * FROM vek.process",
        "SELECT * FROM vek.motors",
        "SELECT * FROM vek.departments ORDER BY name",
        "SELECT * FROM vek.roles ORDER BY name",
        "SELECT * FROM vek.roleviews",
        "SELECT * FROM vek.categories ORDER BY name, departments_id",
        "SELECT * FROM vek.all_employees ORDER BY full_name2, departments_id",
        "SELECT * FROM vek.shifts ORDER BY name",
        "SELECT * FROM vek.status ORDER BY id",
        "SELECT * FROM vek.downtime_reasons ORDER BY name, departments_id"};

    // Each start-up load begins on an empty store, emptied outside the timing.
    double load = 1e30;
    double plain = 1e30;
    const int runs = std::getenv("VEK_BENCH_ONLY") != nullptr ? 50 : 7;
    for (int run = 0; run < runs; ++run)
    {
        plain = std::min(plain, seconds_of([&app, &statements] {
            for (const auto& sql : statements)
                app.database->exec(sql);
        }));
        // Without a stored estimate the bar ends full, so no finishing animation is timed.
        app.cfg->removeValue("number_of_items_to_load");
        app.clear();
        LoadWnd window;
        load = std::min(load, seconds_of([&window] { window.load_tables(); }));
    }
    figures.push_back({"startup_reference_tables", load / plain, "x", 3.0});
    std::cerr << "start-up: " << load << " s against " << plain << " s for the plain queries ("
              << app.motors.size() << " equipment, " << app.employees.size() << " employees, "
              << app.categories.size() << " categories)" << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Load: every entry of the role, through the loading thread's own code, against one query.

void measure_load(VekApplication& app)
{
    std::string list = "0";
    for (const auto id : app.departments_for_current_role())
        list += ", " + std::to_string(id);
    const std::string single = "SELECT * FROM vek.all_logs " + LogLoader::where_clause(LogLoader::local_date(0), list)
                               + " ORDER BY id DESC";

    std::vector<SummaryRow> rows;
    const auto [load, query] = best_of(
        5,
        [&] {
            Quiet quiet;
            LogLoader loader(*app.database, 5, quiet);
            loader.run();
            rows = std::move(loader.rows);
        },
        [&] { benchmark::DoNotOptimize(app.database->exec(single).size()); });
    figures.push_back({"load_all_entries", load / query, "x", 2.0});
    std::cerr << "load: " << rows.size() << " rows in " << load << " s against " << query << " s for one query"
              << std::endl;
}

// Memory: resident memory added per loaded row, the visible list included.
void measure_memory(VekApplication& app)
{
    malloc_trim(0);
    const long before = resident_bytes();
    Quiet quiet;
    LogLoader loader(*app.database, 5, quiet);
    loader.run();
    const auto visible = TextFilter::apply(loader.rows, {}, false, epoch_now()).visible;
    malloc_trim(0);
    const long after = resident_bytes();
    const double per_row = static_cast<double>(after - before) / static_cast<double>(loader.rows.size());
    figures.push_back({"memory_per_row", per_row, "B", 1536.0});
    std::cerr << "memory: " << (after - before) / 1048576.0 << " MiB for " << visible.size() << " rows" << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Administration: each table editor opened and painted, then scrolled a page at a time to its
// end, each page painted, under the parent with the most rows. Absolute times: what counts is
// whether the administrator sees a pause.

void measure_admin()
{
    double slowest_open = 0.0;
    double slowest_page = 0.0;
    std::string slowest_open_name;
    std::string slowest_page_name;
    for (const auto& caption : AdminComponent::captions())
    {
        double open = 1e30;
        std::unique_ptr<juce::Component> editor;
        for (int run = 0; run < 3; ++run)
        {
            editor.reset();
            open = std::min(open, seconds_of([&] {
                editor = AdminComponent::create_editor(caption);
                benchmark::DoNotOptimize(editor->createComponentSnapshot(editor->getLocalBounds()));
            }));
        }
        if (open > slowest_open)
        {
            slowest_open = open;
            slowest_open_name = caption;
        }

        std::cerr << "admin: " << caption << " opens in " << open * 1e3 << " ms" << std::endl;
        auto* table = dynamic_cast<Admin2FieldComponent*>(editor.get());
        if (table == nullptr)
            continue;
        int most = -1;
        int fullest = -1;
        for (int item = 0; item < table->parent_box.getNumItems(); ++item)
        {
            table->parent_box.setSelectedItemIndex(item, juce::sendNotificationSync);
            if (table->getNumRows() > most)
            {
                most = table->getNumRows();
                fullest = item;
            }
        }
        if (fullest >= 0)
            table->parent_box.setSelectedItemIndex(fullest, juce::sendNotificationSync);

        auto* viewport = table->table_box.getViewport();
        double page = 1e30;
        for (int run = 0; run < 3; ++run)
        {
            double run_slowest = 0.0;
            for (int y = 0; y < table->table_box.getRowHeight() * table->getNumRows(); y += viewport->getHeight())
                run_slowest = std::max(run_slowest, seconds_of([&] {
                                           viewport->setViewPosition(0, y);
                                           benchmark::DoNotOptimize(
                                               table->createComponentSnapshot(table->getLocalBounds()));
                                       }));
            viewport->setViewPosition(0, 0);
            page = std::min(page, run_slowest);
        }
        std::cerr << "admin: " << caption << " scrolls " << table->getNumRows() << " rows, slowest page "
                  << page * 1e3 << " ms" << std::endl;
        if (page > slowest_page)
        {
            slowest_page = page;
            slowest_page_name = caption;
        }
    }
    figures.push_back({"admin_editor_open", slowest_open * 1e3, "ms", 100.0});
    figures.push_back({"admin_editor_scroll_page", slowest_page * 1e3, "ms", 50.0});
    std::cerr << "admin: slowest to open: " << slowest_open_name << "; slowest to scroll: " << slowest_page_name
              << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Editor: an editor built and an entry loaded into it as its window does, until the fields'
// reactions to the load have run, against reading the entry with one query and filling plain
// combo boxes with the texts the editor ends up listing.

// Counts the combo-box notifications, so that the message loop can be run until they stop.
class CountingEditor : public EditorComponent
{
public:
    int changes = 0;

    explicit CountingEditor(bool load_follows = false) : EditorComponent(load_follows) {}

    void comboBoxChanged(juce::ComboBox* box) override
    {
        ++changes;
        EditorComponent::comboBoxChanged(box);
    }

    std::vector<GroupboxWithCombobox*> lists()
    {
        return {&department, &cost_center, &system, &equipment, &category, &status, &author, &shift, &downtime};
    }
};

// Until a turn of the message loop passes without a notification: the cascades have settled.
void settle(CountingEditor& editor)
{
    for (int before = -1; before != editor.changes;)
    {
        before = editor.changes;
        bool arrived = false;
        juce::MessageManager::callAsync([&arrived] { arrived = true; });
        while (! arrived)
            juce::MessageManager::getInstance()->runDispatchLoopUntil(0);
    }
}

void measure_editor(VekApplication& app)
{
    const std::uint64_t id = app.database
                                 ->exec1("SELECT id FROM vek.logs WHERE motor_id IS NOT NULL AND authors_id IS NOT "
                                         "NULL AND categories_id IS NOT NULL ORDER BY id DESC LIMIT 1")[0][0]
                                 .as<std::uint64_t>();
    const std::string sql = "SELECT * FROM vek.all_logs WHERE id=" + std::to_string(id);

    // The texts the boxes end up listing, and the entry's cost center for the cascade below.
    std::vector<std::vector<std::string>> texts;
    std::uint64_t motor = 0;
    {
        CountingEditor editor(true);
        editor.load_order(id, false);
        settle(editor);
        if (! (editor.get_entry_from_screen() == editor.loaded_entry))
            std::cerr << "editor: entry #" << id << " does not load as stored" << std::endl;
        for (const auto* list : editor.lists())
        {
            texts.emplace_back();
            for (const auto& item : list->items())
                texts.back().push_back(item.text);
        }
        motor = editor.equipment.get_dbid();
    }

    std::vector<std::unique_ptr<juce::ComboBox>> boxes;
    const auto plain = [&] {
        benchmark::DoNotOptimize(app.database->exec1(sql).size());
        for (const auto& list : texts)
        {
            boxes.push_back(std::make_unique<juce::ComboBox>());
            int item = 0;
            for (const auto& text : list)
                if (! text.empty())
                    boxes.back()->addItem(ShownText::from_bytes(text), ++item);
        }
    };

    double open = 1e30;
    double floor = 1e30;
    double cascade = 1e30;
    for (int run = 0; run < 15; ++run)
    {
        floor = std::min(floor, seconds_of(plain));
        boxes.clear();

        std::unique_ptr<CountingEditor> editor;
        open = std::min(open, seconds_of([&] {
            editor = std::make_unique<CountingEditor>(true);
            editor->load_order(id, false);
            settle(*editor);
        }));
        editor.reset();

        // The longest cascade on a new editor: equipment chosen first narrows the lists, and
        // clearing all three lists every piece of equipment again.
        CountingEditor fresh;
        settle(fresh);
        cascade = std::min(cascade, seconds_of([&] {
            fresh.equipment.select_dbid(motor);
            settle(fresh);
            for (GroupboxWithCombobox* list : std::initializer_list<GroupboxWithCombobox*>{
                     &fresh.equipment, &fresh.system, &fresh.cost_center})
                list->select_dbid(0);
            settle(fresh);
        }));
    }
    figures.push_back({"editor_open", open / floor, "x", 2.0});
    figures.push_back({"editor_cascade", cascade * 1e3, "ms", 50.0});
    std::cerr << "editor: open " << open * 1e3 << " ms against " << floor * 1e3 << " ms for one query and "
              << "plain boxes; equipment chosen and cleared in " << cascade * 1e3 << " ms (" << app.motors.size()
              << " pieces of equipment, " << app.employees.size() << " employees, " << texts[6].size()
              << " authors listed)" << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Saving: a new entry's save (insert and display number) through the editor, while three other
// connections run the loading thread's chunked load of the whole site over and over, against the
// same save on an idle server in the same run.

std::vector<double> save_times(VekApplication& app, std::uint64_t source, int count)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i)
    {
        EditorComponent editor(true);
        editor.load_order(source, true);
        for (GroupboxWithCombobox* field : std::initializer_list<GroupboxWithCombobox*>{&editor.author, &editor.shift})
            if (! field->items().empty())
                field->select_dbid(static_cast<std::uint64_t>(field->items().front().id));
        editor.status.show_text("open");
        editor.problem.setText("bench save " + juce::String(i), false);
        bool saved = false;
        times.push_back(seconds_of([&] { saved = editor.save_order(); }));
        if (! saved)
            std::cerr << "save: a save failed; see the log" << std::endl;
    }
    benchmark::DoNotOptimize(app.database.get());
    std::sort(times.begin(), times.end());
    return times;
}

void measure_save(VekApplication& app)
{
    // A source whose references are all there, the newest of the site's entries.
    const std::uint64_t source = app.database
                                     ->exec1("SELECT max(id) FROM vek.logs WHERE motor_id IS NOT NULL AND "
                                             "categories_id IS NOT NULL AND downtime_reasons_id IS NOT NULL")[0][0]
                                     .as<std::uint64_t>();
    const int count = 50;
    const std::vector<double> idle = save_times(app, source, count);

    std::vector<std::unique_ptr<DB>> readers;
    for (int i = 0; i < 3; ++i)
        readers.push_back(std::make_unique<DB>(*app.cfg));
    std::atomic<bool> stop{false};
    std::atomic<int> loads{0};
    std::vector<std::thread> threads;
    for (auto& reader : readers)
        threads.emplace_back([&stop, &loads, db = reader.get()] {
            while (! stop)
            {
                Quiet quiet;
                LogLoader loader(*db, 5, quiet);
                loader.run();
                ++loads;
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::vector<double> loaded = save_times(app, source, count);
    stop = true;
    for (auto& thread : threads)
        thread.join();

    const double idle_median = idle[idle.size() / 2];
    const double loaded_median = loaded[loaded.size() / 2];
    figures.push_back({"save_under_load", loaded_median / idle_median, "x", 3.0});
    std::cerr << "save: median " << loaded_median * 1e3 << " ms, slowest " << loaded.back() * 1e3 << " ms of " << count
              << " saves under " << loads.load() << " loads of the whole site; idle median " << idle_median * 1e3
              << " ms, slowest " << idle.back() * 1e3 << " ms" << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Reports and the export of 10,000 rows, written through the generator's own code (progress,
// hidden file, move into place), against writing as many bytes to a file the same way; the totals
// also against a plain loop that adds up the same groups.

// The totals' floor: each grouping's texts as keys of a plain map, and the weeks likewise.
void add_up_plainly(const std::vector<SummaryRow>& rows)
{
    std::vector<std::map<std::string, std::pair<std::size_t, double>>> groups(8);
    std::map<std::int64_t, std::pair<std::size_t, double>> weeks;
    const int cells[] = {11, 12, 10, 17, 14, 15, 9, 21};
    for (const auto& row : rows)
    {
        for (std::size_t g = 0; g < groups.size(); ++g)
        {
            auto& sum = groups[g][std::string(row.cell(cells[g]))];
            ++sum.first;
            sum.second += row.hours;
        }
        auto& week = weeks[row.epoch_start / (7 * 86400)];
        ++week.first;
        week.second += row.hours;
    }
    benchmark::DoNotOptimize(groups.data());
    benchmark::DoNotOptimize(weeks.size());
}

void measure_reports(VekApplication& app, const std::vector<SummaryRow>& loaded)
{
    ReportGenerator generator;
    ReportWriter& writer = generator.writer;
    writer.rows.assign(loaded.begin(), loaded.begin() + static_cast<long>(std::min<std::size_t>(10000, loaded.size())));
    writer.option_text = "all " + std::to_string(writer.rows.size()) + " logs";
    writer.time_text = "2024-03-05 14:07:33";
    writer.role_name = app.role_at(app.current_role_id).name;
    // The summary table's default columns.
    for (const int id : {2, 3, 5, 7, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22})
        writer.columns.push_back({id, "column " + std::to_string(id)});
    writer.sort_column = 2;
    generator.csv.columns = writer.columns;
    const double fetch = seconds_of([&] { generator.csv.read_full_texts(*app.database, writer.rows); });
    std::cerr << "export_csv_10k: the full texts read in " << fetch * 1e3 << " ms" << std::endl;

    const juce::File folder = ReportGenerator::report_folder();
    const std::string baseline_path = folder.getChildFile("baseline.bin").getFullPathName().toStdString();
    for (const int type : {ReportWriter::summary, ReportWriter::detailed, ReportWriter::totals, CsvExport::report_type})
    {
        writer.report_type = type;
        const bool export_csv = type == CsvExport::report_type;
        const juce::File target = folder.getChildFile(export_csv ? juce::String(CsvExport::file_name)
                                                                 : juce::String(ReportWriter::type_name(type)) + ".html");
        generator.write_report(target);
        const juce::MemoryBlock bytes = [&target] {
            juce::MemoryBlock block;
            target.loadFileAsData(block);
            return block;
        }();
        const auto write_bytes = [&] {
            std::ofstream out(baseline_path, std::ios::binary | std::ios::trunc);
            for (std::size_t at = 0; at < bytes.getSize(); at += 65536)
                out.write(static_cast<const char*>(bytes.getData()) + at,
                          static_cast<std::streamsize>(std::min<std::size_t>(65536, bytes.getSize() - at)));
        };

        // Timed in processor time: on the shared machine a task of some milliseconds is seldom left
        // alone, and the longer of the two would lose more.
        const std::string name = export_csv ? "export_csv_10k" : "report_" + ReportWriter::type_name(type) + "_10k";
        const auto [report, plain] = best_of(
            15, [&] { generator.write_report(target); },
            [&] {
                if (type == ReportWriter::totals)
                    add_up_plainly(writer.rows);
                else
                    write_bytes();
            },
            processor_seconds_of);
        figures.push_back({name, report / plain, "x", type == ReportWriter::totals || export_csv ? 3.0 : 4.0});
        std::cerr << name << ": " << bytes.getSize() << " bytes in " << report * 1e3 << " ms of processor time against "
                  << plain * 1e3 << (type == ReportWriter::totals ? " ms for a plain loop adding up the groups"
                                                                  : " ms for writing them")
                  << std::endl;
    }
    juce::File(baseline_path).deleteFile();
}

// ---------------------------------------------------------------------------------------------
// Filter and sort over the loaded rows, against plain code on the same texts, upper-cased in
// advance.

struct PlainRow
{
    std::array<std::string, SummaryRow::cell_count> upper;
    double hours;
    std::int64_t epoch_start;
};

std::vector<SummaryRow>* all_rows = nullptr;
std::vector<PlainRow> plain_rows;

struct FilterCase
{
    std::string name;
    std::string text;
    // The plain search: does the row pass, and how many matches does it have.
    std::function<std::int64_t(const PlainRow&, bool exact)> plain;
};

std::int64_t cells_containing(const PlainRow& row, const std::string& word)
{
    std::int64_t found = 0;
    for (int cell = 1; cell <= 21; ++cell)
        found += row.upper[static_cast<std::size_t>(cell)].find(word) != std::string::npos ? 1 : 0;
    return found;
}

std::vector<FilterCase> filter_cases()
{
    return {{"filter_free_words", "pump seal",
             [](const PlainRow& row, bool exact) {
                 const auto a = cells_containing(row, "PUMP");
                 const auto b = cells_containing(row, "SEAL");
                 return exact ? (a > 0 && b > 0 ? a + b : 0) : a + b;
             }},
            {"filter_column_term", "status=closed",
             [](const PlainRow& row, bool) -> std::int64_t { return row.upper[9].find("CLOSED") != std::string::npos; }},
            {"filter_time_term", "time>2h",
             [](const PlainRow& row, bool) -> std::int64_t { return row.hours != 0 && row.hours >= 2.0 - 0.005; }},
            {"filter_open_logs", "Open Logs",
             [](const PlainRow& row, bool) -> std::int64_t { return row.upper[9].find("OPEN") != std::string::npos; }}};
}

void run_micro_benchmarks()
{
    for (const auto& filter : filter_cases())
    {
        for (const bool exact : {false, true})
        {
            const std::string suffix = exact ? "_exact" : "_any";
            const auto words = TextFilter::words_of(filter.text);
            benchmark::RegisterBenchmark((filter.name + suffix).c_str(), [words, exact](benchmark::State& state) {
                for (auto _ : state)
                    benchmark::DoNotOptimize(TextFilter::apply(*all_rows, words, exact, epoch_now()).visible.size());
            })->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(5);
            const auto plain = filter.plain;
            benchmark::RegisterBenchmark((filter.name + suffix + "/baseline").c_str(),
                                         [plain, exact](benchmark::State& state) {
                                             for (auto _ : state)
                                             {
                                                 std::vector<std::size_t> passing;
                                                 for (std::size_t i = 0; i < plain_rows.size(); ++i)
                                                     if (plain(plain_rows[i], exact) > 0)
                                                         passing.push_back(i);
                                                 benchmark::DoNotOptimize(passing.size());
                                             }
                                         })
                ->Unit(benchmark::kMillisecond)->MinTime(0.3)->Repetitions(5);
        }
    }

    // Sorting starts each time from the same shuffled order.
    std::vector<std::uint32_t> shuffle(all_rows->size());
    for (std::uint32_t i = 0; i < shuffle.size(); ++i)
        shuffle[i] = i;
    std::shuffle(shuffle.begin(), shuffle.end(), std::mt19937(42));

    for (const auto& [name, column] : {std::pair<std::string, int>{"sort_text_column", 18},
                                       std::pair<std::string, int>{"sort_numeric_column", 5}})
    {
        benchmark::RegisterBenchmark(name.c_str(), [shuffle, column = column](benchmark::State& state) {
            for (auto _ : state)
            {
                state.PauseTiming();
                std::vector<SummaryRow> rows;
                rows.reserve(shuffle.size());
                for (const auto index : shuffle)
                    rows.push_back((*all_rows)[index]);
                state.ResumeTiming();
                sort_summary_rows(rows, column, true);
                benchmark::DoNotOptimize(rows.data());
                state.PauseTiming();
                rows.clear();
                state.ResumeTiming();
            }
        })->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);

        benchmark::RegisterBenchmark((name + "/baseline").c_str(), [shuffle, column = column](benchmark::State& state) {
            for (auto _ : state)
            {
                state.PauseTiming();
                std::vector<std::string> texts;
                std::vector<std::int64_t> numbers;
                for (const auto index : shuffle)
                {
                    if (column == 5)
                        numbers.push_back(plain_rows[index].epoch_start);
                    else
                        texts.push_back(plain_rows[index].upper[static_cast<std::size_t>(column)]);
                }
                state.ResumeTiming();
                if (column == 5)
                    std::sort(numbers.begin(), numbers.end());
                else
                    std::sort(texts.begin(), texts.end());
                benchmark::DoNotOptimize(texts.data());
                benchmark::DoNotOptimize(numbers.data());
                state.PauseTiming();
                texts.clear();
                numbers.clear();
                state.ResumeTiming();
            }
        })->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
    }

    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    for (const auto& [name, seconds] : collector.seconds)
    {
        if (name.find("/baseline") != std::string::npos)
            continue;
        const auto baseline = collector.seconds.find(name + "/baseline");
        if (baseline == collector.seconds.end())
            continue;
        figures.push_back({name, seconds / baseline->second, "x", 2.0});
        std::cerr << name << ": " << seconds * 1e3 << " ms against " << baseline->second * 1e3 << " ms" << std::endl;
    }
}
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // As the client does: a standalone application gets the framework's X error handlers.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    juce::ScopedJuceInitialiser_GUI juce_initialiser;
    VekApplication app;
    app.look_and_feel = install_look_and_feel();
    app.cfg = std::make_unique<Cfg>();
    app.database = std::make_unique<DB>(*app.cfg);
    app.current_role_id = static_cast<std::uint64_t>(app.cfg->getIntValue("role_id", 1));

    // VEK_BENCH_ONLY=startup (or load, memory, report, admin, editor, save, live, micro) runs one part, for profiling.
    const char* only_env = std::getenv("VEK_BENCH_ONLY");
    const std::string only = only_env != nullptr ? only_env : "";
    const auto wanted = [&only](const char* part) { return only.empty() || only == part; };

    if (wanted("startup"))
        measure_startup(app);
    else
    {
        LoadWnd window;
        window.load_tables();
    }
    display_number_width = 5;
    if (wanted("load"))
        measure_load(app);
    if (wanted("memory"))
        measure_memory(app);
    if (wanted("admin"))
        measure_admin();
    if (wanted("editor"))
        measure_editor(app);
    if (wanted("save"))
        measure_save(app);
    if (wanted("live"))
        for (const auto& figure : measure_live_list(app))
            figures.push_back({figure.name, figure.value, figure.unit, figure.target});

    Quiet quiet;
    LogLoader loader(*app.database, 5, quiet);
    if (wanted("report") || wanted("micro"))
        loader.run();
    if (wanted("report"))
        measure_reports(app, loader.rows);
    if (! wanted("micro"))
    {
        std::cout << "partial run: " << figures.size() << " figures" << std::endl;
        for (const auto& figure : figures)
            std::cout << figure.name << " " << figure.value << std::endl;
        return 0;
    }

    all_rows = &loader.rows;
    for (const auto& row : loader.rows)
    {
        PlainRow plain;
        for (int cell = 0; cell < SummaryRow::cell_count; ++cell)
            plain.upper[static_cast<std::size_t>(cell)] = std::string(row.upper_cell(cell));
        plain.hours = row.hours;
        plain.epoch_start = row.epoch_start;
        plain_rows.push_back(std::move(plain));
    }
    run_micro_benchmarks();

    int missed = 0;
    std::cout << std::fixed;
    for (const auto& figure : figures)
    {
        const bool pass = figure.value <= figure.target;
        missed += pass ? 0 : 1;
        std::cout << figure.name << " " << std::setprecision(figure.unit == "B" ? 0 : 2) << figure.value << " "
                  << figure.unit << " " << std::setprecision(figure.unit == "B" ? 0 : 1) << figure.target << " "
                  << (pass ? "pass" : "MISS") << std::endl;
    }
    std::cout << "missed " << missed << " of " << figures.size() << " targets" << std::endl;

    app.database.reset();
    app.cfg.reset();
    uninstall_look_and_feel();
    return missed == 0 ? 0 : 1;
}

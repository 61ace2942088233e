#include "ReportGenerator.h"

#include "AlternateSignalStack.h"
#include "Brand.h"
#include "ExternalCommand.h"
#include "Interaction.h"
#include "Log.h"
#include "ProgressRun.h"
#include "ShiftLogSummaryWnd.h"
#include "VekApp.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <unistd.h>

namespace
{
const char* const source = "src-report/ReportGenerator";

std::string local_time_text()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local));
}
} // namespace

ReportGenerator::ReportGenerator()
    : juce::ThreadWithProgressWindow("Report Generator", true, true, -1, juce::String(), nullptr)
{
}

ReportGenerator::~ReportGenerator() = default;

void ReportGenerator::generate(int type, std::vector<SummaryRow> rows, const std::string& option_text)
{
    try
    {
        writer.report_type = type;
        writer.rows = std::move(rows);
        writer.option_text = option_text;
        writer.time_text = local_time_text();

        // The table's layout and filter are taken here, on the message thread; the window
        // cannot change them while the modal progress window is up anyway.
        VekApplication& app = vek();
        writer.role_name = app.role_at(app.current_role_id).name;
        writer.columns.clear();
        writer.filter_words.clear();
        writer.sort_column = 0;
        if (app.summary_window != nullptr)
        {
            ShiftLogSummaryComponent& component = app.summary_window->component;
            auto& header = component.table.getHeader();
            for (int index = 0; index < header.getNumColumns(true); ++index)
            {
                const int id = header.getColumnIdOfIndex(index, true);
                writer.columns.push_back({id, header.getColumnName(id).toStdString()});
            }
            writer.sort_column = header.getSortColumnId();
            writer.sort_forwards = header.isSortedForwards();
            writer.filter_words = component.applied_words;
        }
        csv.columns = writer.columns;

        setProgress(0.0);
        setStatusMessage({});
        {
            const ProgressRun run(*this);
            runThread(juce::Thread::Priority::normal);
        }
        writer.rows.clear();
        csv.full_texts.clear();

        // Reported here rather than on the writing thread: after a cancel the message thread
        // waits for that thread, and a message box from it would wait for the message thread.
        if (failed)
        {
            failed = false;
            log_and_show_exception(&failure, source, __LINE__);
        }
        else if (kept)
            close_output();
    }
    catch (...)
    {
        log_and_show_current_exception("ReportGenerator::generate", source, __LINE__);
    }
}

void ReportGenerator::run()
{
    const AlternateSignalStack crash_stack;
    rows_written = 0;
    kept = false;
    failed = false;
    try
    {
        const bool export_csv = writer.report_type == CsvExport::report_type;
        output_file = report_folder().getChildFile(
            export_csv ? juce::String(CsvExport::file_name) : juce::String(ReportWriter::type_name(writer.report_type)) + ".html");
        if (export_csv)
            csv.read_full_texts(*vek().database, writer.rows);
        rows_written = write_report(output_file);
        kept = true;
    }
    catch (...)
    {
        failure = Zel::Exception::from_current("ReportGenerator::run", source, __LINE__);
        failed = true;
    }
}

juce::File ReportGenerator::report_folder()
{
    juce::File documents = juce::File::getSpecialLocation(juce::File::userDocumentsDirectory);
    if (documents == juce::File())
        documents = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
    LogLine() << "special folder: docs=" << documents.getFullPathName();

    const juce::File folder = documents.getChildFile(juce::String(Brand::current().code));
    const juce::Result created = folder.createDirectory();
    if (created.failed())
        throw Zel::Exception("ReportGenerator::report_folder", source, __LINE__,
                             "Cannot create the report folder " + folder.getFullPathName().toStdString() + ": "
                                 + created.getErrorMessage().toStdString());
    return folder;
}

std::size_t ReportGenerator::write_report(const juce::File& target)
{
    LogLine() << "generating report " << target.getFullPathName();
    const juce::TemporaryFile temporary(target, juce::TemporaryFile::useHiddenFile);
    next_status_time = 0;

    std::size_t written = write_file(temporary.getFile(), *this, ReportWriter::every_row);
    if (written < writer.rows.size())
    {
        LogLine() << "report cancelled after " << written << " of " << writer.rows.size() << " log entries";
        // The entries written so far, none included, make a report of their own, whose title
        // says what it holds.
        ReportWriter::Observer unstoppable;
        written = write_file(temporary.getFile(), unstoppable, written);
    }

    if (! temporary.overwriteTargetFileWithTemporary())
        throw Zel::Exception("ReportGenerator::write_report", source, __LINE__,
                             "Cannot move the finished report into place as "
                                 + target.getFullPathName().toStdString());
    return written;
}

std::size_t ReportGenerator::write_file(const juce::File& file, ReportWriter::Observer& observer,
                                        std::size_t kept_rows)
{
    const std::string path = file.getFullPathName().toStdString();
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    if (! stream.is_open())
        throw Zel::Exception("ReportGenerator::write_file", source, __LINE__,
                             "Cannot open the report file " + path + ": " + std::strerror(errno));

    const std::size_t written = writer.report_type == CsvExport::report_type
                                    ? csv.write(stream, writer.rows, observer, kept_rows)
                                    : writer.write(stream, observer, kept_rows);
    stream.close();
    if (stream.fail())
        throw Zel::Exception("ReportGenerator::write_file", source, __LINE__,
                             "Cannot write the report file " + path + ": " + std::strerror(errno));
    return written;
}

bool ReportGenerator::should_stop()
{
    return threadShouldExit();
}

void ReportGenerator::entry_started(std::size_t index, std::size_t total)
{
    setProgress(static_cast<double>(index) / static_cast<double>(total));
    // The window shows the status every 100 ms; composing it, or even reading the clock, for every
    // entry would cost more than the entry itself.
    if (index % 32 != 0 && index + 1 != total)
        return;
    const juce::uint32 now = juce::Time::getMillisecondCounter();
    if (now < next_status_time && index + 1 != total)
        return;
    next_status_time = now + 50;
    setStatusMessage("Generating report " + juce::String(index + 1) + " of " + juce::String(total) + "...");
}

juce::File ReportGenerator::desktop_opener()
{
    const juce::StringArray folders
        = juce::StringArray::fromTokens(juce::SystemStats::getEnvironmentVariable("PATH", {}), ":", {});
    for (const auto& folder : folders)
    {
        if (! juce::File::isAbsolutePath(folder))
            continue;
        const juce::File opener = juce::File(folder).getChildFile("xdg-open");
        if (opener.existsAsFile() && access(opener.getFullPathName().toRawUTF8(), X_OK) == 0)
            return opener;
    }
    return {};
}

void ReportGenerator::close_output()
{
    const std::string path = output_file.getFullPathName().toStdString();
    bool opened = false;
    if (desktop_opener().exists())
    {
        ExternalCommand::reveal_on_desktop(path);
        opened = ExternalCommand::open_on_desktop(path);
    }
    if (! opened)
    {
        // The report is there all the same; the user is told where.
        LogLine() << "no program to open the report with; it is " << path;
        Interaction::get().show_message_box_async(Interaction::Icon::info, "Report written",
                                                  "The report has been written to " + path + ".");
    }
    output_file = juce::File();
}

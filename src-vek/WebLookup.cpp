#include "WebLookup.h"

#include "Brand.h"
#include "ExternalCommand.h"
#include "Interaction.h"
#include "Log.h"
#include "ShownText.h"
#include "VekApp.h"
#include "ZelException.h"
#include "ZelString.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <unistd.h>

WebLookup::WebLookup(const std::string& server_) : server(Zel::trim(server_))
{
    while (! server.empty() && server.back() == '/')
        server.pop_back();
    if (! server.empty() && server.find("://") == std::string::npos)
        server = "http://" + server;
}

bool WebLookup::enabled() const
{
    return ! server.empty();
}

std::string WebLookup::listing_address() const
{
    return server + "/vek/download/?C=M;O=D";
}

std::string WebLookup::first_message_address() const
{
    return server + "/vek/motd.txt";
}

std::string WebLookup::second_message_address() const
{
    return server + "/vek/download/motd.txt";
}

std::string WebLookup::user_agent()
{
    return std::string("VEK/") + vek_version + " (" + Zel::supportContact() + ")";
}

std::string WebLookup::newest_version(const std::string& page, const std::string& product_word)
{
    // The pattern href="<word>-([0-9-.]+)-win, searched without a regular expression engine: the
    // standard one recurses once per byte of the run and overflows the stack on a long one.
    const std::string anchor = "href=\"" + product_word + "-";
    const auto version_byte = [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; };
    for (auto at = page.find(anchor); at != std::string::npos; at = page.find(anchor, at + 1))
    {
        const std::size_t begin = at + anchor.size();
        std::size_t end = begin;
        while (end < page.size() && version_byte(page[end]))
            ++end;
        // "w" ends the run, so the dash of "-win" is the run's last byte.
        if (end - begin >= 2 && page[end - 1] == '-' && page.compare(end, 3, "win") == 0)
            return page.substr(begin, end - 1 - begin);
    }
    return "";
}

bool WebLookup::is_newer(const std::string& candidate, const std::string& current)
{
    // std::char_traits<char> compares bytes as unsigned char.
    return candidate > current;
}

std::string WebLookup::out_of_date_message(const std::string& newest)
{
    return std::string("You are using version ") + vek_version + " but the newer version " + newest
           + " is available for download.\n\nOpen the download page?";
}

void WebLookup::offer_download(const std::string& newest) const
{
    const std::string address = listing_address();
    Interaction::get().ask_ok_cancel_async(
        Interaction::Icon::info, "This version is out of date!", out_of_date_message(newest), [address](bool ok) {
            if (! ok)
            {
                LogLine() << "do not open the download page " << address;
                return;
            }
            LogLine() << "opening download page " << address;
            open_in_browser(address);
            LogLine() << "exiting since the download page has been opened";
            VekApplication::quit_when_no_modal_loop();
        });
}

void WebLookup::open_in_browser(const std::string& address)
{
    // The desktop's choice first, then the usual suspects.
    for (const char* program : {"xdg-open", "x-www-browser", "firefox", "chromium"})
    {
        ExternalCommand browser({program, address});
        if (browser.start_detached())
            return;
        LogLine() << program << ": received error #" << browser.start_error << ": " << browser.start_error_text();
    }
}

std::vector<std::string> curl_arguments(const std::string& url, const std::string& output_path,
                                        std::size_t size_limit)
{
    // -q only counts as the first argument.
    return {"curl", "-q", "--silent", "--fail", "--max-filesize", std::to_string(size_limit), "--max-time", "60",
            "--connect-timeout", "10", "--location-trusted", "--insecure", "--user-agent", WebLookup::user_agent(),
            "--output", output_path, "--url", url};
}

std::string run_curl(const std::string& url, std::size_t size_limit)
{
    // Created here, readable only by the user, so that nobody can put a link in its place before
    // curl writes to it.
    std::string path = juce::File::getSpecialLocation(juce::File::tempDirectory)
                           .getChildFile("temp_XXXXXX.output")
                           .getFullPathName()
                           .toStdString();
    const int descriptor = mkstemps(path.data(), 7);
    if (descriptor < 0)
    {
        LogLine() << "curl: cannot create a file for the download: " << std::strerror(errno);
        return "";
    }
    close(descriptor);

    ExternalCommand curl(curl_arguments(url, path, size_limit));
    const std::string command_line = curl.command_line();
    LogLine() << "external command: " << command_line;
    const int rc = curl.run();
    if (curl.start_error != 0)
        LogLine() << "curl: received error #" << curl.start_error << ": " << curl.start_error_text();
    if (rc != 0)
        LogLine() << "rc=" << rc << " when running: " << command_line;

    // Only a complete download counts: an error page or a cut-off transfer is no answer.
    std::string text;
    try
    {
        // curl stops early only when the server announces the size; a streamed answer is
        // refused here, after the fact.
        const auto size = juce::File(ShownText::from_bytes(path)).getSize();
        if (rc == 0 && size > static_cast<juce::int64>(size_limit))
            LogLine() << "curl: the answer of " << url << " is larger than " << size_limit << " bytes";
        else if (rc == 0)
            text = Zel::readFile(path);
    }
    catch (const std::exception& e)
    {
        LogLine() << "curl: cannot read the download of " << url << ": " << e.what();
    }
    std::remove(path.c_str());
    return text;
}

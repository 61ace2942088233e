#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The product's web server and the two questions the start-up asks it: is a newer client
// version offered for download, and is there a message of the day for all users.
class WebLookup
{
public:
    // `server` is the address the configuration names (a missing scheme means http); empty
    // switches the look-ups off.
    explicit WebLookup(const std::string& server);

    bool enabled() const;
    std::string listing_address() const;
    std::string first_message_address() const;
    std::string second_message_address() const;

    // "VEK/", the version and the support contact in parentheses.
    static std::string user_agent();

    // The version of the first download link for the product word in a listing page, such as
    // 1.2.2-3410 from href="vek-1.2.2-3410-win64.exe"; empty text when there is none.
    static std::string newest_version(const std::string& page, const std::string& product_word);

    // Plain byte-wise text comparison: at the first differing byte the larger byte wins, and of
    // two texts where one begins the other the longer one is greater.
    static bool is_newer(const std::string& candidate, const std::string& current);

    static std::string out_of_date_message(const std::string& newest);

    // Asks whether to open the download page. OK opens it in the web browser and ends the
    // program once no progress window is running; the caller goes on at once.
    void offer_download(const std::string& newest) const;

    // Opens the address in the desktop's web browser, handed over as one argument.
    static void open_in_browser(const std::string& address);

private:
    std::string server;
};

// The most a look-up downloads: a message of the day is a few lines, a listing a page.
constexpr std::size_t message_size_limit = 64 * 1024;
constexpr std::size_t listing_size_limit = 1024 * 1024;
// The most of a message of the day that is logged and shown.
constexpr std::size_t shown_message_limit = 2000;

// curl's arguments for downloading the URL into `output_path`: without the user's ~/.curlrc,
// silent, failing on an HTTP error and on an answer beyond `size_limit` bytes, giving up after
// 10 s without a connection and 60 s in all, following redirections and accepting any
// certificate.
std::vector<std::string> curl_arguments(const std::string& url, const std::string& output_path,
                                        std::size_t size_limit);

// What curl downloaded from the URL, or empty text on any failure (no network, time-out, an
// HTTP error page, an answer beyond `size_limit` bytes, no curl). Blocks until curl ends; never
// throws because of the download.
std::string run_curl(const std::string& url, std::size_t size_limit);

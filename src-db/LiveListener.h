#pragma once

#include <pqxx/pqxx>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Listens on the product's channel, where every client announces its committed saves with the
// entry's department and id. What arrives is kept until taken; the connection delivers it
// whenever its input is read (pqxx's get_notifs), by whoever holds the connection then.
class LiveListener
{
public:
    static constexpr const char* channel = "vek_logs";

    struct Change
    {
        std::uint64_t department = 0;
        std::uint64_t entry = 0;
    };

    // Sends LISTEN on the session; the listener must go before the session does.
    explicit LiveListener(pqxx::connection& session);
    ~LiveListener();
    LiveListener(const LiveListener&) = delete;
    LiveListener& operator=(const LiveListener&) = delete;

    // What has arrived since the last call, oldest first. Any thread.
    std::vector<Change> take();

    // The announcement of a saved entry; clients that do not listen ignore it.
    static std::string notify_sql(std::uint64_t department, std::uint64_t entry);
    // The payload "department id"; false for anything else.
    static bool parse(const std::string& payload, Change& change);

private:
    class Receiver;

    void arrived(const std::string& payload);

    std::mutex mutex;
    std::vector<Change> pending;
    std::unique_ptr<Receiver> receiver;
};

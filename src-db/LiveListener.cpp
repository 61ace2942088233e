#include "LiveListener.h"

#include "Log.h"

#include <sstream>

class LiveListener::Receiver : public pqxx::notification_receiver
{
public:
    Receiver(pqxx::connection& session, LiveListener& owner)
        : pqxx::notification_receiver(session, LiveListener::channel), listener(owner)
    {
    }

    void operator()(const std::string& payload, int backend_pid) override
    {
        // Our own saves are merged by the save itself.
        if (backend_pid != conn().backendpid())
            listener.arrived(payload);
    }

private:
    LiveListener& listener;
};

LiveListener::LiveListener(pqxx::connection& session) : receiver(std::make_unique<Receiver>(session, *this))
{
    LogLine() << "listening for saves of other clients on channel " << channel;
}

LiveListener::~LiveListener() = default;

void LiveListener::arrived(const std::string& payload)
{
    Change change;
    if (! parse(payload, change))
    {
        LogLine() << "ignoring a notification on channel " << channel << ": \"" << payload << "\"";
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex);
    pending.push_back(change);
}

std::vector<LiveListener::Change> LiveListener::take()
{
    const std::lock_guard<std::mutex> lock(mutex);
    std::vector<Change> taken;
    taken.swap(pending);
    return taken;
}

std::string LiveListener::notify_sql(std::uint64_t department, std::uint64_t entry)
{
    return std::string("NOTIFY ") + channel + ", '" + std::to_string(department) + " " + std::to_string(entry) + "'";
}

bool LiveListener::parse(const std::string& payload, Change& change)
{
    std::istringstream words(payload);
    Change read;
    std::string rest;
    if (! (words >> read.department >> read.entry) || (words >> rest) || payload.find('-') != std::string::npos)
        return false;
    change = read;
    return true;
}

#pragma once

#include <cstddef>
#include <cstdint>

namespace Zel
{
class PQDB;
}

// Believable test data for trying the client and measuring it on a big site: log entries whose
// references come from the site's own tables, and reference rows in bulk. Rows are drawn here from
// one seed and sent as multi-row INSERTs, one transaction per batch, so 100,000 entries take
// seconds. Works on the client's DB as well as on a plain connection.
class FakeLogs
{
public:
    explicit FakeLogs(Zel::PQDB& db);

    // Start times are spread over this many years before `until`.
    double years = 10.0;
    // The newest time any entry may carry, in seconds since the epoch; 0 means now.
    std::int64_t until = 0;
    // Rows per INSERT, and per transaction for the log entries.
    std::size_t batch_size = 5000;

    // Adds `count` entries to vek.logs: for each, a department that has employees, then equipment,
    // category, downtime reason, author and shift fitting it, a mix of open and closed work, and
    // the department's next display numbers in start order. The same seed, site and `until` give
    // the same rows. Throws Zel::Exception when the site lacks what an entry needs.
    void add_log_entries(std::uint64_t count, std::uint64_t seed);

    // Adds equipment spread over the processes, employees over the departments (some of them
    // former employees) and categories over the departments.
    void add_reference_data(std::uint64_t motors, std::uint64_t employees, std::uint64_t categories,
                            std::uint64_t seed);

private:
    Zel::PQDB& db;
};

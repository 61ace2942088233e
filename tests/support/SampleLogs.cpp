#include "SampleLogs.h"

void add_sample_logs(sandbox::Database& database, int count)
{
    database.execute("INSERT INTO vek.logs (display_number, motor_id, departments_id, shifts_id, categories_id, "
                     "problem, action, authors_id, status_id, hours, downtime_reasons_id, last_updated, "
                     "timestamp_start, timestamp_end) "
                     "SELECT CASE WHEN n % 17 = 0 THEN NULL ELSE n END, 1 + n % 3, 1 + n % 4, 1 + n % 2, 1 + n % 2, "
                     "'pump  ' || n || E'\\tleaks\\r\\nagain', 'fixed it''s seal ' || n, 1 + n % 2, "
                     "CASE WHEN n % 5 = 0 THEN 1 ELSE 2 END, CASE WHEN n % 7 = 0 THEN NULL ELSE 0.25 * (n % 9) END, "
                     "CASE WHEN n % 4 = 0 THEN 1 END, now() - n * interval '1 hour', "
                     "now() - n * interval '1 hour' - interval '30 minutes', "
                     "CASE WHEN n % 5 = 0 THEN NULL ELSE now() - n * interval '1 hour' END "
                     "FROM generate_series(1, " + std::to_string(count) + ") AS n");
}

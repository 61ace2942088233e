#include "FakeLogs.h"

#include "Log.h"
#include "ZelException.h"
#include "ZelPQDB.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const char* const source = "src-vek/FakeLogs";

// The standard distributions differ between libraries; these draws are the same everywhere, so a
// seed names the same data on any machine.
struct Random
{
    explicit Random(std::uint64_t seed) : engine(seed) {}

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

    // Uniform in [0, n); n > 0.
    std::size_t below(std::size_t n)
    {
        return std::min(n - 1, static_cast<std::size_t>(unit() * static_cast<double>(n)));
    }

    // In [0, n), the first ones far more often: a few machines break all the time, and most entries
    // use a department's usual category and downtime reason.
    std::size_t skewed_below(std::size_t n)
    {
        const double u = unit();
        return std::min(n - 1, static_cast<std::size_t>(u * u * static_cast<double>(n)));
    }

    bool chance(double probability) { return unit() < probability; }

    std::mt19937_64 engine;
};

struct Author
{
    std::uint64_t id;
    bool active;
};

struct DepartmentPool
{
    std::uint64_t id = 0;
    std::vector<Author> authors;
    std::vector<std::uint64_t> categories;
    std::vector<std::uint64_t> downtime_reasons;
};

struct Equipment
{
    std::uint64_t id;
    std::string description;
};

// What entries may refer to, read once from the site's tables in id order.
struct Site
{
    std::vector<DepartmentPool> departments;  // only those with employees: every entry has an author
    std::vector<std::uint64_t> department_weights;  // running totals of their employee counts
    std::vector<Equipment> equipment;
    std::vector<std::uint64_t> weekday_shifts;
    std::uint64_t weekend_shift = 0;
    std::uint64_t open_status = 0;
    std::vector<std::uint64_t> closing_statuses;
};

struct Entry
{
    std::uint64_t display_number = 0;
    std::uint64_t motor = 0;
    std::uint64_t department = 0;
    std::uint64_t shift = 0;
    std::uint64_t category = 0;
    std::string problem;
    std::string action;
    std::uint64_t author = 0;
    std::uint64_t status = 0;
    int quarter_hours = 0;
    std::uint64_t downtime_reason = 0;
    std::int64_t updated = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// A problem and the repair that fixes it; {eq} is the equipment's name inside a sentence, {Eq} at
// its start.
struct Job
{
    const char* problem;
    const char* action;
};

const std::vector<Job> jobs = {
    {"Bearing on the {eq} running hot, 90 C on the gun.",
     "Replaced the bearing and re-greased. Ran it 30 min, temperature back to normal."},
    {"{Eq} tripped on overload twice during the shift.",
     "Reset the overload and checked the amps on all three phases: within limits. "
     "Found a sticking roller & freed it."},
    {"{Eq} won't start from the panel.", "Replaced the contactor in the MCC bucket; tested start/stop from the panel."},
    {"Grinding noise from the gearbox of the {eq}.",
     "Drained the gearbox, found metal on the plug. Replaced the input bearing & seal, refilled with gear oil."},
    {"Hydraulic leak under the {eq}, about a litre an hour.",
     "Replaced the leaking hose and tightened the fittings. Topped up the tank with 20 L."},
    {"Belt on the {eq} tracking off to the drive side.",
     "Re-tracked the belt and adjusted the take-up. Watched it for a full cycle."},
    {"Chain jumped the sprocket on the {eq}.",
     "Put the chain back on and replaced the worn sprocket. Chain tension set."},
    {"Photo eye on the {eq} doesn't see boards.",
     "Cleaned and realigned the photo eye; it sees boards < 1 m away again."},
    {"Oil pressure < 2 bar on the {eq} at start-up.",
     "Changed the oil filter and cleaned the strainer. Pressure back to 3.5 bar."},
    {"Vibration on the {eq} above 7 mm/s.",
     "Balanced the fan & checked the foundation bolts. Vibration down to 2 mm/s."},
    {"Motor of the {eq} smells burnt.",
     "Megged the motor: insulation failed. Swapped in the spare from stores; old one sent for rewind."},
    {"Air leak at the cylinder of the {eq}.", "Replaced the seal kit on the cylinder and the push-in fitting."},
    {"Guard missing on the {eq}; operator's concern.", "Fabricated a new guard and bolted it on. Safety signed off."},
    {"Limit switch on the {eq} stuck closed.", "Replaced the limit switch and its arm. Tested the interlock."},
    {"Temperature alarm on the {eq} keeps coming back.",
     "Couldn't find anything wrong with the sensor. Cleaned the cooler fins, will monitor."},
    {"Drive fault F0002 (overvoltage) on the {eq}.",
     "Lengthened the decel ramp from 2 s to 4 s and checked the braking resistor. No faults since."},
    {"Lube & grease points on the {eq} are dry.", "Greased all points and fixed the broken line to the auto-luber."},
    {"Cracked welds on the frame of the {eq}.", "Gouged out and re-welded the cracks, added a gusset plate."},
    {"Fuse blown in the control circuit of the {eq}.",
     "Replaced the fuse, found a chafed wire at the door hinge & re-routed it."},
    {"{Eq} runs slow, speed < setpoint.",
     "Adjusted the speed reference at the drive and replaced the worn encoder coupling."},
    {"Jam-up at the {eq}, boards piling up at the transfer.",
     "Cleared the jam, replaced a bent chain lug and adjusted the stop."},
    {"Knocking from the {eq} when it reverses.", "Tightened the loose coupling & replaced the worn jaw insert."},
};

const std::vector<const char*> problem_details = {
    "Operator says it started after the shift change.",
    "Happened twice this week.",
    "Couldn't get to it without a full lock-out.",
    "Production running at reduced speed meanwhile.",
    "See last week's entry for the same machine.",
    "Temporary fix in place, needs a proper repair.",
    "Supervisor wants it done before the weekend.",
    "Noticed on the walk-around, no alarm on the HMI.",
    "Operator: \"it's never done that before\".",
    "Spares & tools staged at the MCC room.",
};

const std::vector<const char*> action_follow_ups = {
    "Tested OK.",
    "Ran it with the operator, all good.",
    "Needs a proper look at the next shutdown.",
    "Spare ordered for stores.",
    "Don't run it above 80 % until the new part arrives.",
    "Lock-out removed & handed back to production.",
};

const std::vector<const char*> open_actions = {
    "Waiting for parts.",
    "Parts on order; temporary fix in place.",
    "Will do it at the next shutdown.",
    "Looked at it: needs the crane & two people.",
    "Checked the wiring, still looking.",
    "Isolated and tagged out until the repair.",
};

struct EquipmentKind
{
    const char* code;
    const char* name;
};

const std::vector<EquipmentKind> equipment_kinds = {
    {"CV", "chain conveyor"}, {"BC", "belt conveyor"},    {"PU", "pump"},          {"FN", "fan"},
    {"GB", "gearbox"},        {"MTR", "drive motor"},     {"HYD", "hydraulic unit"}, {"CMP", "air compressor"},
    {"VLV", "control valve"}, {"SAW", "saw arbor"},       {"RC", "roll case"},     {"LT", "lift table"},
    {"STK", "stacker"},       {"HST", "hoist"},           {"SCR", "screw conveyor"}, {"BLW", "blower"},
    {"SCN", "scanner"},       {"PLC", "PLC cabinet"},     {"CYL", "cylinder"},     {"TRF", "transfer"},
};

const std::vector<const char*> equipment_places = {
    "Infeed",  "Outfeed", "Main",   "Auxiliary", "North",    "South",     "Upper",  "Lower",
    "Trimmer", "Sorter",  "Edger",  "Planer",    "Kiln",     "Boiler feed", "Dust", "Chip",
    "Bark",    "Lumber",  "Cooling water", "Lube oil", "Green chain", "Debarker", "Stacker", "Package",
};

const std::vector<const char*> first_names = {
    "Aaron",  "Agnes",  "Ahmed", "Alicia", "Ben",    "Bianca", "Carlos", "Chen",   "Claire", "Dale",
    "Dana",   "Derek",  "Elena", "Emeka",  "Fiona",  "Gord",   "Grace",  "Hamid",  "Ingrid", "Jake",
    "Janet",  "Jorge",  "Kara",  "Kevin",  "Lars",   "Leah",   "Mandeep", "Marc",  "Maya",   "Mike",
    "Nadia",  "Nils",   "Olga",  "Pat",    "Priya",  "Quinn",  "Raj",    "Rosa",   "Sam",    "Sean",
    "Sofia",  "Terry",  "Tomas", "Ursula", "Vijay",  "Wendy",  "Yusuf",  "Zoe",
};

const std::vector<const char*> last_names = {
    "Anderson", "Bergstrom", "Chowdhury", "D'Souza",   "Dubois",  "Eriksen",  "Fraser",  "Gill",
    "Hansen",   "Ivanova",   "Jensen",    "Kowalski",  "Lachance", "MacLeod", "Mahon",   "Nakamura",
    "O'Brien",  "O'Neill",   "Petrov",    "Quesnel",   "Reid",    "Sandhu",   "Sato",    "Thibault",
    "Tremblay", "Underwood", "Vasquez",   "Wallace",   "Wong",    "Yilmaz",   "Zimmer",  "Bouchard",
    "Campbell", "Dhillon",   "Fontaine",  "Gagnon",    "Hughes",  "Kaur",     "Larsen",  "Morin",
    "Nguyen",   "Olsen",     "Pelletier", "Roy",       "Singh",   "Stewart",  "Taylor",  "White",
};

const std::vector<const char*> category_names = {
    "Electrical",           "Mechanical",        "Hydraulic",           "Pneumatic",
    "Lubrication",          "Safety",            "Instrumentation",     "PLC & Controls",
    "Motors & Drives",      "Bearings & Gearboxes", "Conveyors",        "Welding & Fabrication",
    "Preventive Maintenance", "Inspection",      "Saws & Knives",       "Power Distribution",
    "Lighting",             "Mobile Equipment",  "Housekeeping",        "Steam & Condensate",
    "Dust Collection",      "Fire Protection",   "Scales",              "Rail & Loading",
};

std::uint64_t as_id(const pqxx::field& field)
{
    return field.as<std::uint64_t>();
}

std::string lower_case(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The equipment's name for the middle of a sentence: "Log deck conveyor" becomes "log deck
// conveyor", but "PLC cabinet" stays as it is.
std::string inside_sentence(const std::string& name)
{
    if (name.size() >= 2 && name[0] >= 'A' && name[0] <= 'Z' && name[1] >= 'a' && name[1] <= 'z')
        return static_cast<char>(name[0] - 'A' + 'a') + name.substr(1);
    return name;
}

void replace_once(std::string& text, const std::string& mark, const std::string& by)
{
    const auto at = text.find(mark);
    if (at != std::string::npos)
        text.replace(at, mark.size(), by);
}

std::string fill_in(const std::string& pattern, const std::string& equipment)
{
    std::string text = pattern;
    replace_once(text, "{eq}", inside_sentence(equipment));
    replace_once(text, "{Eq}", equipment);
    return text;
}

// One more sentence, on the same line or the next.
void add_sentence(Random& random, std::string& text, const std::vector<const char*>& sentences)
{
    const bool new_line = random.chance(0.35);
    text += new_line ? "\n" : " ";
    text += sentences[random.below(sentences.size())];
}

[[noreturn]] void missing(const std::string& function_name, int line, const std::string& what)
{
    throw Zel::Exception(function_name, source, line, what);
}

Site read_site(Zel::PQDB& db)
{
    const char* const function_name = "FakeLogs::add_log_entries";
    Site site;

    std::map<std::uint64_t, DepartmentPool> pools;
    for (const auto& row : db.exec("SELECT id FROM vek.departments ORDER BY id"))
        pools[as_id(row[0])].id = as_id(row[0]);
    if (pools.empty())
        missing(function_name, __LINE__, "cannot add log entries: the site has no departments");

    for (const auto& row : db.exec("SELECT id, departments_id, active FROM vek.employees ORDER BY id"))
    {
        const auto pool = pools.find(as_id(row[1]));
        if (pool != pools.end())
            pool->second.authors.push_back({as_id(row[0]), row[2].as<bool>()});
    }
    for (const auto& row : db.exec("SELECT id, departments_id FROM vek.categories ORDER BY id"))
    {
        const auto pool = pools.find(as_id(row[1]));
        if (pool != pools.end())
            pool->second.categories.push_back(as_id(row[0]));
    }
    for (const auto& row : db.exec("SELECT id, departments_id FROM vek.downtime_reasons ORDER BY id"))
    {
        const auto pool = pools.find(as_id(row[1]));
        if (pool != pools.end())
            pool->second.downtime_reasons.push_back(as_id(row[0]));
    }

    // Bigger crews write more entries.
    std::uint64_t total_weight = 0;
    for (auto& [id, pool] : pools)
    {
        if (pool.authors.empty())
            continue;
        total_weight += pool.authors.size();
        site.departments.push_back(std::move(pool));
        site.department_weights.push_back(total_weight);
    }
    if (site.departments.empty())
        missing(function_name, __LINE__, "cannot add log entries: no department has an employee to write them");

    for (const auto& row : db.exec("SELECT id, description FROM vek.motors ORDER BY id"))
        site.equipment.push_back({as_id(row[0]), row[1].c_str()});
    if (site.equipment.empty())
        missing(function_name, __LINE__, "cannot add log entries: the site has no equipment");

    for (const auto& row : db.exec("SELECT id, name FROM vek.shifts ORDER BY id"))
    {
        if (site.weekend_shift == 0 && lower_case(row[1].c_str()).find("weekend") != std::string::npos)
            site.weekend_shift = as_id(row[0]);
        else
            site.weekday_shifts.push_back(as_id(row[0]));
    }
    if (site.weekday_shifts.empty() && site.weekend_shift != 0)
        site.weekday_shifts.push_back(site.weekend_shift);
    if (site.weekday_shifts.empty())
        missing(function_name, __LINE__, "cannot add log entries: the site has no shifts");

    // "open" keeps an entry open for the client; every other status closes it.
    for (const auto& row : db.exec("SELECT id, name FROM vek.status ORDER BY id"))
    {
        if (std::string(row[1].c_str()) == "open")
        {
            if (site.open_status == 0)
                site.open_status = as_id(row[0]);
        }
        else
            site.closing_statuses.push_back(as_id(row[0]));
    }
    if (site.open_status == 0)
        missing(function_name, __LINE__, "cannot add log entries: the site has no status named \"open\"");
    if (site.closing_statuses.empty())
        missing(function_name, __LINE__, "cannot add log entries: the site has no status that closes an entry");

    return site;
}

std::tm local_time(std::int64_t epoch)
{
    const std::time_t t = static_cast<std::time_t>(epoch);
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts;
}

// Work is mostly reported in daylight, so half the night-time starts move to the day before.
std::int64_t draw_start(Random& random, std::int64_t newest, double span)
{
    std::int64_t start = newest - 300 - static_cast<std::int64_t>(random.unit() * span);
    const int hour = local_time(start).tm_hour;
    if ((hour < 6 || hour >= 18) && random.chance(0.5))
        start -= 12 * 3600;
    return start - start % 60;
}

Entry draw_entry(Random& random, const Site& site, std::int64_t start, std::int64_t newest)
{
    Entry entry;
    entry.start = start;
    const std::int64_t age = newest - start;
    constexpr std::int64_t day = 86400;

    const std::uint64_t weight = random.below(site.department_weights.back());
    const auto pick = std::upper_bound(site.department_weights.begin(), site.department_weights.end(), weight);
    const DepartmentPool& department =
        site.departments[static_cast<std::size_t>(pick - site.department_weights.begin())];
    entry.department = department.id;

    const Equipment& equipment = site.equipment[random.skewed_below(site.equipment.size())];
    entry.motor = equipment.id;
    if (! department.categories.empty())
        entry.category = department.categories[random.skewed_below(department.categories.size())];
    if (! department.downtime_reasons.empty())
        entry.downtime_reason = department.downtime_reasons[random.skewed_below(department.downtime_reasons.size())];

    // Former employees wrote only the older entries.
    std::vector<std::uint64_t> authors;
    for (const Author& author : department.authors)
        if (author.active || age > 400 * day)
            authors.push_back(author.id);
    if (authors.empty())
        for (const Author& author : department.authors)
            authors.push_back(author.id);
    entry.author = authors[random.below(authors.size())];

    // Weekday shifts split the day from 06:00 in id order: Day, Afternoon, Night.
    const std::tm when = local_time(start);
    const bool weekend = when.tm_wday == 0 || when.tm_wday == 6;
    if (site.weekend_shift != 0 && weekend && random.chance(0.7))
        entry.shift = site.weekend_shift;
    else
    {
        const std::size_t hours_into_day = static_cast<std::size_t>((when.tm_hour + 18) % 24);
        entry.shift = site.weekday_shifts[hours_into_day * site.weekday_shifts.size() / 24];
    }

    const Job& job = jobs[random.below(jobs.size())];
    entry.problem = fill_in(job.problem, equipment.description);
    if (random.chance(0.6))
        add_sentence(random, entry.problem, problem_details);

    // Open work is mostly recent; a few old entries were never closed.
    const double open_chance = age < 7 * day ? 0.5 : age < 60 * day ? 0.2 : 0.06;
    if (random.chance(open_chance))
    {
        entry.status = site.open_status;
        entry.quarter_hours = random.chance(0.5) ? 0 : 1 + static_cast<int>(random.below(24));
        if (random.chance(0.55))
            entry.action = open_actions[random.below(open_actions.size())];
        entry.updated = start + static_cast<std::int64_t>(static_cast<double>(age) * 0.2 * random.unit());
        entry.updated -= entry.updated % 60;
        return entry;
    }

    // Mostly the first closing status; the others now and then.
    const std::size_t closings = site.closing_statuses.size();
    entry.status = site.closing_statuses[closings == 1 || random.chance(0.85) ? 0 : 1 + random.below(closings - 1)];
    entry.quarter_hours = 1 + static_cast<int>(random.skewed_below(48));
    entry.action = fill_in(job.action, equipment.description);
    if (random.chance(0.5))
        add_sentence(random, entry.action, action_follow_ups);

    // Done within the shift, or days later when parts had to come in.
    std::int64_t end = start + static_cast<std::int64_t>(entry.quarter_hours * 900 * (1.0 + random.unit()));
    if (random.chance(0.12))
        end += static_cast<std::int64_t>(1 + random.below(6)) * day;
    // Starts lie at least 5 minutes before `newest`, so the end stays after the start.
    end = std::min(end, newest - 60);
    entry.end = end - end % 60;
    entry.updated = std::min(newest, entry.end + 60 * static_cast<std::int64_t>(random.below(90)));
    return entry;
}

void append_id(std::string& sql, std::uint64_t id)
{
    sql += id == 0 ? std::string("NULL") : std::to_string(id);
}

void append_time(std::string& sql, std::int64_t epoch)
{
    sql += epoch == 0 ? std::string("NULL") : "TO_TIMESTAMP(" + std::to_string(epoch) + ")";
}

std::string insert_sql(pqxx::transaction_base& work, const std::vector<Entry>& entries)
{
    std::string sql = "INSERT INTO vek.logs (display_number, motor_id, departments_id, shifts_id, categories_id, "
                      "problem, action, authors_id, status_id, hours, downtime_reasons_id, last_updated, "
                      "timestamp_start, timestamp_end) VALUES ";
    sql.reserve(entries.size() * 400);
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        const Entry& e = entries[i];
        sql += i == 0 ? "(" : ",\n(";
        sql += std::to_string(e.display_number) + ", ";
        append_id(sql, e.motor);
        sql += ", ";
        append_id(sql, e.department);
        sql += ", ";
        append_id(sql, e.shift);
        sql += ", ";
        append_id(sql, e.category);
        sql += ", '" + work.esc(e.problem) + "', '" + work.esc(e.action) + "', ";
        append_id(sql, e.author);
        sql += ", ";
        append_id(sql, e.status);
        std::ostringstream hours;
        hours << e.quarter_hours / 4.0;
        sql += ", " + hours.str() + ", ";
        append_id(sql, e.downtime_reason);
        sql += ", ";
        append_time(sql, e.updated);
        sql += ", ";
        append_time(sql, e.start);
        sql += ", ";
        append_time(sql, e.end);
        sql += ")";
    }
    return sql;
}

double seconds_since(std::chrono::steady_clock::time_point begin)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// Sends value lists in statements of at most `batch` rows each.
void insert_rows(pqxx::transaction_base& work, const std::string& head, const std::vector<std::string>& rows,
                 std::size_t batch)
{
    for (std::size_t first = 0; first < rows.size(); first += batch)
    {
        std::string sql = head;
        const std::size_t last = std::min(rows.size(), first + batch);
        for (std::size_t i = first; i < last; ++i)
            sql += (i == first ? "(" : ",\n(") + rows[i] + ")";
        work.exec(sql);
    }
}

std::vector<std::uint64_t> read_ids(Zel::PQDB& db, const std::string& table)
{
    std::vector<std::uint64_t> ids;
    for (const auto& row : db.exec("SELECT id FROM vek." + table + " ORDER BY id"))
        ids.push_back(as_id(row[0]));
    return ids;
}
} // namespace

FakeLogs::FakeLogs(Zel::PQDB& database) : db(database)
{
}

void FakeLogs::add_log_entries(std::uint64_t count, std::uint64_t seed)
{
    try
    {
        const auto begin = std::chrono::steady_clock::now();
        std::int64_t newest = until != 0 ? until : static_cast<std::int64_t>(std::time(nullptr));
        newest -= newest % 60;
        if (! (years > 0))
            missing("FakeLogs::add_log_entries", __LINE__,
                    "cannot add log entries over no time: years must be above 0");
        const double span = years * 365.25 * 86400.0;
        LogLine() << "fake logs: adding " << count << " log entries over " << years << " years, seed " << seed;

        const Site site = read_site(db);
        LogLine() << "fake logs: " << site.departments.size() << " departments with employees, "
                  << site.equipment.size() << " pieces of equipment, " << site.weekday_shifts.size()
                  << (site.weekend_shift != 0 ? " weekday shifts and a weekend shift, " : " shifts, ")
                  << site.closing_statuses.size() << " closing statuses";

        // All start times first, so that entries go in start order across batches and each batch
        // continues its departments' numbers after the previous one.
        Random random(seed);
        std::vector<std::int64_t> starts(count);
        for (auto& start : starts)
            start = draw_start(random, newest, span);
        std::sort(starts.begin(), starts.end());

        std::uint64_t open = 0;
        const std::size_t batch = std::max<std::size_t>(1, batch_size);
        for (std::size_t first = 0; first < starts.size(); first += batch)
        {
            std::vector<Entry> entries;
            const std::size_t last = std::min(starts.size(), first + batch);
            for (std::size_t i = first; i < last; ++i)
            {
                entries.push_back(draw_entry(random, site, starts[i], newest));
                if (entries.back().status == site.open_status)
                    ++open;
            }

            pqxx::work work(db.connection(), "add fake log entries");
            // Serialised with the editor's own number assignment, which takes the table
            // exclusively; plain reads of other clients carry on meanwhile.
            work.exec("LOCK TABLE vek.logs IN EXCLUSIVE MODE");
            std::map<std::uint64_t, std::uint64_t> highest;
            for (const auto& row : work.exec("SELECT departments_id, MAX(display_number) FROM vek.logs "
                                             "WHERE departments_id IS NOT NULL GROUP BY departments_id"))
                highest[as_id(row[0])] = row[1].is_null() ? 0 : row[1].as<std::uint64_t>();
            for (Entry& entry : entries)
                entry.display_number = ++highest[entry.department];
            work.exec(insert_sql(work, entries));
            work.commit();
        }

        // The planner should know about the new size at once, not at autovacuum's next round.
        if (count > 0)
            db.exec("ANALYZE vek.logs");
        LogLine() << "fake logs: added " << count << " log entries (" << open << " open) in "
                  << seconds_since(begin) << " s";
    }
    catch (...)
    {
        throw Zel::Exception::from_current("FakeLogs::add_log_entries", source, __LINE__);
    }
}

void FakeLogs::add_reference_data(std::uint64_t motors, std::uint64_t employees, std::uint64_t categories,
                                  std::uint64_t seed)
{
    const char* const function_name = "FakeLogs::add_reference_data";
    try
    {
        const auto begin = std::chrono::steady_clock::now();
        LogLine() << "fake logs: adding " << motors << " pieces of equipment, " << employees << " employees and "
                  << categories << " categories, seed " << seed;
        Random random(seed);
        const std::vector<std::uint64_t> processes = read_ids(db, "process");
        const std::vector<std::uint64_t> departments = read_ids(db, "departments");
        if (motors > 0 && processes.empty())
            missing(function_name, __LINE__, "cannot add equipment: the site has no processes (systems)");
        if ((employees > 0 || categories > 0) && departments.empty())
            missing(function_name, __LINE__, "cannot add employees or categories: the site has no departments");

        const std::size_t batch = std::max<std::size_t>(1, batch_size);
        pqxx::work work(db.connection(), "add fake reference data");

        // Tags go on from the highest id, so repeated runs keep them apart.
        const std::uint64_t first_tag =
            1 + work.exec("SELECT COALESCE(MAX(id), 0) FROM vek.motors")[0][0].as<std::uint64_t>();
        std::vector<std::string> rows;
        for (std::uint64_t i = 0; i < motors; ++i)
        {
            const EquipmentKind& kind = equipment_kinds[random.below(equipment_kinds.size())];
            const std::string place = equipment_places[random.below(equipment_places.size())];
            const std::size_t number = 1 + random.below(9);
            const std::uint64_t process = processes[random.below(processes.size())];
            std::string tag = std::to_string(first_tag + i);
            tag.insert(0, tag.size() < 5 ? 5 - tag.size() : 0, '0');
            rows.push_back("'" + std::string(kind.code) + "-" + tag + "', '"
                           + work.esc(place + " " + kind.name + " " + std::to_string(number)) + "', "
                           + std::to_string(process));
        }
        insert_rows(work, "INSERT INTO vek.motors (mid, description, process_id) VALUES ", rows, batch);

        // Every pair of names once, in a shuffled order, before any comes again.
        std::vector<std::size_t> names(first_names.size() * last_names.size());
        for (std::size_t i = 0; i < names.size(); ++i)
            names[i] = i;
        for (std::size_t i = names.size() - 1; i > 0; --i)
            std::swap(names[i], names[random.below(i + 1)]);
        rows.clear();
        for (std::uint64_t i = 0; i < employees; ++i)
        {
            const std::size_t name = names[i % names.size()];
            const bool former = random.chance(0.12);
            const std::uint64_t department = departments[random.below(departments.size())];
            rows.push_back("'" + work.esc(first_names[name / last_names.size()]) + "', '"
                           + work.esc(last_names[name % last_names.size()]) + "', " + (former ? "false" : "true")
                           + ", " + std::to_string(department));
        }
        insert_rows(work, "INSERT INTO vek.employees (first_name, last_name, active, departments_id) VALUES ", rows,
                    batch);

        // Categories go round the departments; each department starts somewhere else in the list,
        // and a name comes back with a number only once the list is used up.
        std::vector<std::size_t> offsets;
        for (std::size_t i = 0; i < departments.size(); ++i)
            offsets.push_back(random.below(category_names.size()));
        rows.clear();
        for (std::uint64_t i = 0; i < categories; ++i)
        {
            const std::size_t department = static_cast<std::size_t>(i % departments.size());
            const std::size_t round = static_cast<std::size_t>(i / departments.size());
            std::string name = category_names[(offsets[department] + round) % category_names.size()];
            if (round >= category_names.size())
                name += " " + std::to_string(1 + round / category_names.size());
            rows.push_back("'" + work.esc(name) + "', " + std::to_string(departments[department]));
        }
        insert_rows(work, "INSERT INTO vek.categories (name, departments_id) VALUES ", rows, batch);
        work.commit();

        db.exec("ANALYZE vek.motors, vek.employees, vek.categories");
        LogLine() << "fake logs: added reference data in " << seconds_since(begin) << " s";
    }
    catch (...)
    {
        throw Zel::Exception::from_current(function_name, source, __LINE__);
    }
}

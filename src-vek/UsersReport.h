#pragma once

#include <string>

class DB;

// The connected-users report (F3): the clients connected right now, newest connection first,
// and the users who disconnected recently, each once.
class UsersReport
{
public:
    // Reads both lists and writes a log line for every entry. Throws when a query fails or the
    // server hides a session's start time.
    static std::string text(DB& db);

    // Shows the report in a non-modal box. A failure is reported once and the report skipped:
    // open editors may hold unsaved text, so the program goes on.
    static void show();
};

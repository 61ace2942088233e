#pragma once

#include "TestSupport.h"

// Log entries for the sample site: `count` entries spread over the departments 1 to 4, one hour
// apart going back from now, every fifth still open, with texts that need simplifying and a few
// entries without display number or hours.
void add_sample_logs(sandbox::Database& database, int count);

#pragma once

#include "export_options.h"

namespace quill::tool {

// Writes the entries of the journal that the options name into their folder, in their
// format, saying on standard error when each year is written. Entries whose date cannot be
// read are said on standard error and left out, and the export then returns 1 (else 0);
// any other failure throws with its message, leaving what was written so far.
int ExportJournal(const ExportOptions& options);

} // namespace quill::tool

// Alias records: a record without data of its own that stands for the record
// its alias names.
#pragma once

#include "archive/archive_entry.h"

namespace archive {

// Works out what each alias of the table stands for, from the stored names
// (call it before path formation rewrites them): the record whose name equals
// the alias, Latin letters folded (the game stores names in lower case), and
// through it the end of a chain of aliases. A name borne by several records
// is the first record's with data of its own, or else the first alias's.
// Sets Alias and Target of every alias; other records are left as they are.
// Takes time in proportion to the table, whatever its chains.
void ResolveAliases(EntryTable& table);

}  // namespace archive

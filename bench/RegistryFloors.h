// The least the registry work of the bookmark list can cost, to compare the
// program with: the same values read or written through one key opened once,
// and the literal way that opens the whole chain for every single read.
#pragma once
#include <string>
#include <vector>

#include "bookmarks/BookmarkStore.h"

// Opens `sectionPath` (under HKCU) once, then per bookmark k = 1..count reads
// "Counter", "Path<k>" and "PathName<k>". Answers the number of reads that worked.
int ReadThroughOneKey(const std::string& sectionPath, int count);
// The same reads, each one opening "software", "Kelvane", the application
// key and the section one by one and closing all four afterwards.
int ReadLiterally(const std::string& application, const char* section, int count);
// Writes "Counter" and each entry's "Path<k>" and "PathName<k>" through one key.
bool WriteThroughOneKey(const std::string& sectionPath, const std::vector<Bookmark>& entries);

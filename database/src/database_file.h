// Creating, opening and removing the database file.
#pragma once

#include <cstdint>

namespace storix {

// Mode 0: default descriptions in memory for `channels` channels, no file.
int32_t create_descriptions(int32_t channels);
// Mode 1: creates the pre-sized file from the descriptions in memory.
int32_t create_file(const char* path);
// Mode -1: opens and checks an existing file.
int32_t open_file(const char* path);
// Closes the database; deletes its file when asked.
int32_t remove_database(bool delete_file);

}  // namespace storix

// engine/emptyfolders.h: removal of emptied subfolders
#pragma once

int RemoveEmptyFolders(const char *folder, int test);

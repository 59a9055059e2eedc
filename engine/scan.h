// engine/scan.h: the candidate files of a pass, oldest first
#pragma once
#include "settings/settings.h"

struct FolderNode;

struct FileEntry {
    char Name[MAX_PATH];
    FolderNode *Parent;
    FILETIME LastWrite;
    UINT64 Size;
    DWORD Attributes;
};

struct FolderNode {
    char Path[MAX_PATH];
    DWORD Attributes;
    INT32 FileCount;
    INT32 FirstIndex;
    FolderNode *Child;
    FolderNode *Next;
};

struct FileList {
    UINT32 *Order;
    FileEntry *Entries;
    UINT32 Capacity;
    UINT32 Count;
};

int BuildCandidateList(const FolderSettings &settings, FileList **list, FolderNode **root);
int ScanFolder(FolderNode *node, FileList *list, int recurse, const char *patterns);
int SortByAge(FileList *list);
int CompareByAge(const void *first, const void *second);
int FreeFolderTree(FolderNode *node);
int FreeFileList(FileList *list);
// 1 when the extension (as SplitPath gives it) matches a pattern of the list, else 0.
int MatchExtension(const char *extension, const char *patterns);

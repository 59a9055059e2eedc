// engine/pass.cpp: one cleaning pass
#include "engine/pass.h"
#include "engine/emptyfolders.h"
#include "engine/freespace.h"
#include "engine/guard.h"
#include "engine/scan.h"
#include "log/log.h"
#include <stdio.h>

static const INT64 Megabyte = 1048576;

struct PassState {
    FreeSpace Space;
    INT64 Predicted;
    int FigureShown;
};

static int MegabyteFigure(INT64 bytes)
{
    return (int)((bytes + Megabyte - 1) / Megabyte);
}

static const char *YesNo(INT32 flag)
{
    return flag != 0 ? "はい" : "いいえ";
}

static int WriteTestHeader(const FolderSettings &settings)
{
    LogLine("テスト開始...\n", "");
    LogLine(" [対象フォルダ                          : %s]\n", settings.TargetFolder);
    LogLine(" [対象拡張子                            : %s]\n", settings.TargetExt);
    LogLine(" [サブフォルダを対象にする              : %s]\n", YesNo(settings.FindSubFolder));
    LogLine(" [空になったサブフォルダは削除する      : %s]\n", YesNo(settings.DelSubFolder));
    LogLine(" [読み取り専用ファイルを削除対象に含める: %s]\n", YesNo(settings.DelReadOnly));
    LogLine(" [隠しファイルを削除対象に含める        : %s]\n", YesNo(settings.DelHidden));
    LogValue(" [必要な空き容量                        : %d メガバイト]\n", settings.FreeSpaceSize);
    return 0;
}

static int ShowMeasuredFigure(PassState &state)
{
    LogValue(" 現在の空き容量(実測): %d メガバイト\n", MegabyteFigure((INT64)state.Space.FreeBytes));
    state.FigureShown = 1;
    return 0;
}

static int CallDeleteFile(void *path)
{
    return DeleteFileA((const char *)path) ? 0 : -1;
}

// The deletion is the one step of the loop that may fault inside the platform; a fault
// counts as a failed deletion and the pass goes on.
static int DeleteGuarded(const char *path)
{
    int result = -1;
    if (CallGuarded(CallDeleteFile, (void *)path, &result, NULL) != 0)
        return -1;
    return result;
}

// Returns 1 when the file counts as deleted, 0 when it was skipped or its deletion failed.
static int HandleCandidate(const FolderSettings &settings, const FileEntry &entry, int test)
{
    char path[MAX_PATH * 2];
    snprintf(path, sizeof path, "%s%s", entry.Parent->Path, entry.Name);

    if (entry.Attributes & FILE_ATTRIBUTE_READONLY) {
        if (settings.DelReadOnly == 0) {
            LogLine(" 書き込み禁止属性につきスキップ: %s\n", path);
            return 0;
        }
        if (!test && !SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) {
            LogLine(" 書き込み禁止属性の解除: %s\n", path);
            LogLine("  --> 失敗\n", "");
            return 0;
        }
    }
    if ((entry.Attributes & FILE_ATTRIBUTE_HIDDEN) && settings.DelHidden == 0) {
        LogLine(" 隠し属性につきスキップ: %s\n", path);
        return 0;
    }
    if (test) {
        LogLine(" 削除（テスト）: %s\n", path);
        return 1;
    }
    LogLine(" 削除: %s\n", path);
    if (DeleteGuarded(path) != 0) {
        LogLine("  --> 失敗\n", "");
        return 0;
    }
    return 1;
}

static int RunDeletionLoop(const FolderSettings &settings, const FileList *list, PassState &state, int test)
{
    state.Predicted = (INT64)state.Space.FreeBytes;
    for (UINT32 i = 0; i < list->Count; i++) {
        const FileEntry &entry = list->Entries[list->Order[i]];
        INT64 required = (INT64)((UINT64)(UINT32)settings.FreeSpaceSize * (UINT64)Megabyte);
        if (!test && state.Predicted >= required)
            break;
        if (!state.FigureShown)
            ShowMeasuredFigure(state);
        if (!HandleCandidate(settings, entry, test))
            continue;
        // A volume that reports no allocation unit must not stop the pass with a division fault.
        UINT64 unit = state.Space.Unit != 0 ? state.Space.Unit : 1;
        state.Predicted += (INT64)(((entry.Size + unit - 1) / unit) * unit);
        LogValue(" 削除後の空き容量(予測): %d メガバイト\n", MegabyteFigure(state.Predicted));
    }
    return 0;
}

static int RunPassSteps(const FolderSettings &settings, int test)
{
    if (test)
        WriteTestHeader(settings);
    else
        LogLine("監視開始...\n", "");

    PassState state = {};
    if (MeasureFreeSpace(settings.TargetFolder, state.Space) != 0) {
        LogLine("ディスク容量取得失敗(%s)\n", settings.TargetFolder);
        return -1;
    }
    if (test) {
        LogLine(" \n", "");
        ShowMeasuredFigure(state);
        LogLine(" ■削除される可能性があるファイルの一覧:\n", "");
        LogLine(" （上にあるほど先に削除されます）\n", "");
    }

    FileList *list = NULL;
    FolderNode *root = NULL;
    if (BuildCandidateList(settings, &list, &root) != 0) {
        LogLine("ファイルリスト並べ替え失敗(%s)\n", settings.TargetFolder);
        return -2;
    }
    RunDeletionLoop(settings, list, state, test);
    FreeFolderTree(root);
    FreeFileList(list);

    if (settings.DelSubFolder != 0) {
        if (test)
            LogLine(" ■削除される可能性があるフォルダの一覧:\n", "");
        RemoveEmptyFolders(settings.TargetFolder, test);
    }
    LogLine(test ? "テスト終了...\n" : "監視終了...\n", "");

    if (MeasureFreeSpace(settings.TargetFolder, state.Space) != 0) {
        LogLine("ディスク容量取得失敗(%s)\n", settings.TargetFolder);
        return -3;
    }
    if (state.FigureShown)
        LogValue("現在の空き容量(実測): %d メガバイト\n", MegabyteFigure((INT64)state.Space.FreeBytes));
    return 0;
}

int RunCleanPass(const FolderSettings &settings, int test)
{
    if (!test && settings.Stop != 0)
        return 0;
    LogHoldFile(1);
    int status = RunPassSteps(settings, test);
    LogHoldFile(0);
    return status;
}

// tests/test_random.cpp: random trees and settings, the real pass against a plain model
//
// Each run draws a new seed and prints it; replay a failure with
//   TOVRA_SEED=<seed> scripts/test.sh -R test_random
#include "engine/pass.h"
#include "log/log.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const INT64 MB = 1048576;
const int Cases = 400;

struct LogEnvironment : ::testing::Environment {
    void SetUp() override
    {
        LogEnabled = 1;
        LogStart();
    }
};
::testing::Environment *const logEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

struct ModelFile {
    std::string Path;   // full path as the pass writes it
    std::string Name;
    int Folder;         // index into the folder list
    UINT64 Size;
    int Minutes;
    DWORD Attributes;
};

struct ModelFolder {
    std::string Path;   // ends with a backslash
    int Parent;         // -1 for the target itself
    bool System;
};

struct Case {
    std::vector<ModelFolder> Folders;
    std::vector<ModelFile> Files;
    FolderSettings Settings;
};

// Names chosen to trouble a path walker: long ones, Japanese ones whose second byte is 0x5C
// (表, ソ, 能), mixed-case and missing extensions.
const char *const BaseNames[] = {"rec", "表示", "ソフト", "録画 01", "能", "a", "tv.program",
                                 "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz0123456789"};
const char *const Extensions[] = {".mpg", ".MPG", ".Mpeg", ".mp2", ".ts", ".wav", ".txt", "", ".m2p", ".表", ".mpg.bak"};
const char *const FolderNames[] = {"sub", "表", "ソ", "deep folder", "x"};
const char *const Patterns[] = {"mpg", "m?g", "*", "m*", " wav", "", "ts", "mp?", "MPEG", "表", "m*g", ".mpg", "?"};

std::string Pick(std::mt19937 &random, const char *const *items, size_t count)
{
    return items[random() % count];
}

Case MakeCase(std::mt19937 &random, const std::string &root)
{
    Case c;
    c.Folders.push_back({root, -1, false});
    int folders = random() % 5;
    for (int i = 0; i < folders; i++) {
        int parent = random() % c.Folders.size();
        if (c.Folders[parent].Path.size() > 150)
            continue;
        std::string path = c.Folders[parent].Path + Pick(random, FolderNames, 5) + std::to_string(i) + "\\";
        c.Folders.push_back({path, parent, random() % 6 == 0});
    }
    int files = random() % 25;
    for (int i = 0; i < files; i++) {
        ModelFile f;
        f.Folder = random() % c.Folders.size();
        f.Name = Pick(random, BaseNames, 8) + std::to_string(i) + Pick(random, Extensions, 11);
        f.Path = c.Folders[f.Folder].Path + f.Name;
        int sizeKind = random() % 4;
        f.Size = sizeKind == 0 ? 0 : sizeKind == 1 ? random() % 2048 : random() % 20000;
        f.Minutes = random() % 12; // few distinct times: equal times are common
        f.Attributes = 0;
        if (random() % 8 == 0)
            f.Attributes |= FILE_ATTRIBUTE_READONLY;
        if (random() % 8 == 0)
            f.Attributes |= FILE_ATTRIBUTE_HIDDEN;
        if (random() % 12 == 0)
            f.Attributes |= FILE_ATTRIBUTE_SYSTEM;
        c.Files.push_back(f);
    }
    ResetSettings(c.Settings);
    c.Settings.Stop = 0;
    c.Settings.FindSubFolder = random() % 2;
    c.Settings.DelSubFolder = random() % 2;
    c.Settings.DelReadOnly = random() % 2;
    c.Settings.DelHidden = random() % 2;
    std::string patterns;
    int count = 1 + random() % 3;
    for (int i = 0; i < count; i++)
        patterns += (i ? "," : "") + Pick(random, Patterns, 13);
    if (random() % 5 == 0)
        patterns += ",";
    strcpy(c.Settings.TargetExt, patterns.c_str());
    strcpy(c.Settings.TargetFolder, root.c_str());
    return c;
}

bool Build(const Case &c)
{
    for (size_t i = 1; i < c.Folders.size(); i++)
        if (!MakeFolder(c.Folders[i].Path, c.Folders[i].System ? FILE_ATTRIBUTE_SYSTEM : 0))
            return false;
    for (const ModelFile &f : c.Files)
        if (!MakeFile(f.Path, f.Size, f.Minutes, f.Attributes == 0 ? FILE_ATTRIBUTE_NORMAL : f.Attributes))
            return false;
    return true;
}

// The extension rule, written out plainly: the pattern is expanded against the extension
// text and the result compared with the extension, dot included, without regard to case.
bool PatternMatches(const std::string &pattern, const std::string &name)
{
    size_t dot = name.rfind('.');
    std::string x = dot == std::string::npos ? "" : name.substr(dot);
    std::string e = x.empty() ? "" : x.substr(1);
    std::string s = x.empty() ? "" : ".";
    size_t j = 0;
    for (char p : pattern) {
        if (p == '?') {
            s += j < e.size() ? e[j] : '?';
            j++;
        } else if (p == '*') {
            if (j < e.size())
                s += e.substr(j);
            j = e.size();
        } else {
            s += p;
            j++;
        }
    }
    return lstrcmpiA(s.c_str(), x.c_str()) == 0;
}

bool ExtensionListed(const std::string &patterns, const std::string &name)
{
    if (patterns.empty())
        return false;
    std::string list = patterns;
    if (list.back() == ',')
        list.pop_back();
    size_t start = 0;
    while (true) {
        size_t comma = list.find(',', start);
        if (PatternMatches(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start), name))
            return true;
        if (comma == std::string::npos)
            return false;
        start = comma + 1;
    }
}

bool FolderReached(const Case &c, int folder)
{
    for (int f = folder; f > 0; f = c.Folders[f].Parent)
        if (c.Folders[f].System || !c.Settings.FindSubFolder)
            return false;
    return true;
}

bool Eligible(const Case &c, const ModelFile &f)
{
    return !(f.Attributes & FILE_ATTRIBUTE_SYSTEM) && FolderReached(c, f.Folder) &&
           ExtensionListed(c.Settings.TargetExt, f.Name);
}

INT64 Rounded(UINT64 size)
{
    return (INT64)((size + 1023) / 1024 * 1024);
}

std::string Figure(INT64 bytes)
{
    return std::to_string((bytes + MB - 1) / MB);
}

// Folders that the empty-folder step must remove once the deletions are done, innermost first.
std::set<std::string> EmptiedFolders(const Case &c, const std::set<std::string> &deleted)
{
    std::vector<int> content(c.Folders.size(), 0);
    for (const ModelFile &f : c.Files)
        if (!deleted.count(f.Path))
            content[f.Folder]++;
    std::set<std::string> removed;
    // Children always come after their parent in the list, so walking backwards settles
    // every child before its parent.
    for (size_t i = c.Folders.size() - 1; i >= 1; i--) {
        bool inSystem = false;
        for (int f = c.Folders[i].Parent; f > 0; f = c.Folders[f].Parent)
            inSystem = inSystem || c.Folders[f].System;
        if (inSystem)
            continue;
        if (!c.Folders[i].System && content[i] == 0)
            removed.insert(c.Folders[i].Path);
        else
            content[c.Folders[i].Parent]++;
    }
    return removed;
}

struct Totals {
    int Cases = 0, Deleted = 0, WronglyDeleted = 0;
};

void CheckCase(const Case &c, INT64 freeBefore, const std::vector<std::string> &lines, Totals &totals)
{
    const FolderSettings &s = c.Settings;
    INT64 required = (INT64)s.FreeSpaceSize * MB;
    std::map<std::string, const ModelFile *> byPath;
    std::vector<const ModelFile *> eligible;
    for (const ModelFile &f : c.Files) {
        byPath[f.Path] = &f;
        if (Eligible(c, f))
            eligible.push_back(&f);
    }

    // Replay the log's candidate lines against the rule.
    size_t i = 0;
    ASSERT_GE(lines.size(), 2u);
    ASSERT_EQ(lines[i++], "監視開始...");
    std::set<std::string> processed, deleted;
    INT64 predicted = freeBefore;
    int lastMinutes = -1;
    bool figureShown = false;
    auto take = [&](const std::string &prefix) -> const ModelFile * {
        if (i >= lines.size() || lines[i].compare(0, prefix.size(), prefix) != 0)
            return NULL;
        auto found = byPath.find(lines[i].substr(prefix.size()));
        return found == byPath.end() ? NULL : found->second;
    };
    if (i < lines.size() && lines[i].rfind(" 現在の空き容量(実測): ", 0) == 0) {
        EXPECT_EQ(lines[i], " 現在の空き容量(実測): " + Figure(freeBefore) + " メガバイト");
        figureShown = true;
        i++;
    }
    while (i < lines.size()) {
        const ModelFile *f = take(" 削除: ");
        if (!f) f = take(" 書き込み禁止属性につきスキップ: ");
        if (!f) f = take(" 隠し属性につきスキップ: ");
        if (!f)
            break;
        ASSERT_TRUE(figureShown) << "a candidate before the measured figure";
        ASSERT_TRUE(Eligible(c, *f)) << "not a candidate: " << f->Path;
        ASSERT_FALSE(processed.count(f->Path)) << "listed twice: " << f->Path;
        ASSERT_GE(f->Minutes, lastMinutes) << "out of age order: " << f->Path;
        ASSERT_LT(predicted, required) << "went on past the minimum at " << f->Path;
        lastMinutes = f->Minutes;
        processed.insert(f->Path);
        bool readOnly = f->Attributes & FILE_ATTRIBUTE_READONLY, hidden = f->Attributes & FILE_ATTRIBUTE_HIDDEN;
        std::string expected = readOnly && !s.DelReadOnly ? " 書き込み禁止属性につきスキップ: "
                             : hidden && !s.DelHidden    ? " 隠し属性につきスキップ: "
                                                         : " 削除: ";
        ASSERT_EQ(lines[i], expected + f->Path);
        i++;
        if (expected == " 削除: ") {
            deleted.insert(f->Path);
            predicted += Rounded(f->Size);
            ASSERT_LT(i, lines.size());
            ASSERT_EQ(lines[i], " 削除後の空き容量(予測): " + Figure(predicted) + " メガバイト");
            i++;
        }
    }
    // Every older candidate was taken; equal times may stand in either order.
    for (const ModelFile *f : eligible) {
        if (!processed.count(f->Path)) {
            EXPECT_TRUE(predicted >= required && f->Minutes >= lastMinutes) << "candidate left out: " << f->Path;
        }
    }

    std::set<std::string> removedFolders = s.DelSubFolder ? EmptiedFolders(c, deleted) : std::set<std::string>();
    std::set<std::string> folderLines;
    while (i < lines.size() && lines[i].rfind(" 空フォルダの削除: ", 0) == 0)
        folderLines.insert(lines[i++].substr(strlen(" 空フォルダの削除: ")));
    EXPECT_EQ(folderLines, removedFolders);
    ASSERT_LT(i, lines.size());
    EXPECT_EQ(lines[i++], "監視終了...");
    EXPECT_EQ(i + (figureShown ? 1 : 0), lines.size());

    for (const ModelFile &f : c.Files) {
        bool gone = !Exists(f.Path);
        EXPECT_EQ(gone, deleted.count(f.Path) == 1) << f.Path;
        if (gone && !deleted.count(f.Path))
            totals.WronglyDeleted++;
    }
    for (size_t k = 1; k < c.Folders.size(); k++)
        EXPECT_EQ(!Exists(c.Folders[k].Path), removedFolders.count(c.Folders[k].Path) == 1) << c.Folders[k].Path;
    EXPECT_TRUE(Exists(s.TargetFolder));
    totals.Deleted += (int)deleted.size();
}

unsigned DrawSeed()
{
    const char *given = getenv("TOVRA_SEED");
    if (given && *given)
        return (unsigned)strtoul(given, NULL, 10);
    return (unsigned)(GetTickCount() ^ (GetCurrentProcessId() << 16));
}

TEST(RandomTrees, RealPassDeletesExactlyWhatTheRuleAllows)
{
    unsigned seed = DrawSeed();
    printf("seed %u (replay: TOVRA_SEED=%u scripts/test.sh -R test_random)\n", seed, seed);
    RecordProperty("seed", (int)seed);
    std::mt19937 random(seed);
    std::string outside = FreshFolder("outside");
    ASSERT_TRUE(MakeFile(outside + "keep.mpg", 5000, 0));
    Totals totals;
    for (int n = 0; n < Cases; n++) {
        std::string root = FreshFolder("random");
        Case c = MakeCase(random, root);
        ASSERT_TRUE(Build(c)) << "case " << n;
        INT64 eligibleBytes = 0;
        for (const ModelFile &f : c.Files)
            if (Eligible(c, f))
                eligibleBytes += Rounded(f.Size);
        // A ballast file puts the free space just below a megabyte boundary, short of it by
        // anything from nothing to more than all candidates would free; the minimum is that
        // boundary, or now and then one that is already met.
        INT64 freeNow = (INT64)FreeBytes(root);
        INT64 boundary = freeNow / MB * MB;
        INT64 shortBy = (INT64)(random() % (UINT64)(eligibleBytes * 5 / 4 + 4096));
        std::string ballast = TestVolume() + "ballast.bin";
        ASSERT_TRUE(MakeFile(ballast, (UINT64)(freeNow - boundary + shortBy), 0));
        c.Settings.FreeSpaceSize = (INT32)(boundary / MB) - (random() % 5 == 0 ? 1 : 0);
        INT64 freeBefore = (INT64)FreeBytes(root);
        DeleteTestLog();
        ASSERT_EQ(RunCleanPass(c.Settings, 0), 0) << "case " << n;
        std::vector<std::string> lines = ReadLogTexts();
        CheckCase(c, freeBefore, lines, totals);
        ASSERT_FALSE(HasFailure()) << "seed " << seed << ", case " << n << ", patterns '" << c.Settings.TargetExt
                                   << "', minimum " << c.Settings.FreeSpaceSize << "\n" << JoinLines(lines);
        totals.Cases++;
        RemoveTree(ballast);
    }
    EXPECT_TRUE(Exists(outside + "keep.mpg"));
    EXPECT_EQ(totals.WronglyDeleted, 0);
    printf("%d cases, %d files deleted, %d wrongly deleted\n", totals.Cases, totals.Deleted, totals.WronglyDeleted);
}

} // namespace

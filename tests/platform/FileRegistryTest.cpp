#include "platform/FileRegistry.h"

#include "platform/ScreenSaverPassword.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

namespace fs = std::filesystem;
using vorlandite::testing::TempDir;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class FileRegistryTest : public ::testing::Test {
protected:
    FileRegistry MakeRegistry() {
        return FileRegistry(path_, [this](const std::string& m) { warnings_.push_back(m); });
    }

    std::unique_ptr<RegistryKey> Open(FileRegistry& registry, std::string_view key, bool create) {
        auto opened = registry.OpenKey(key, create);
        EXPECT_TRUE(opened.ok()) << opened.message();
        return opened ? std::move(opened).value() : nullptr;
    }

    std::vector<fs::path> FilesStartingWith(const std::string& prefix) const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(dir_.Path() / "vorlandite"))
            if (entry.path().filename().string().starts_with(prefix))
                found.push_back(entry.path());
        return found;
    }

    TempDir dir_;
    std::string path_ = dir_.File("vorlandite/user.reg");
    std::vector<std::string> warnings_;
};

TEST_F(FileRegistryTest, IntegersAndStringsAreKeptApart) {
    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\Software\\Quenmore\\My Show", true);
    key->WriteInteger("Seconds", -12);
    key->WriteString("Effect", "12");
    ASSERT_TRUE(key->Close().ok());

    FileRegistry again = MakeRegistry();
    auto read = Open(again, "Software\\Quenmore\\My Show", false);
    EXPECT_EQ(read->ReadInteger("Seconds").value(), -12);
    EXPECT_EQ(read->ReadString("Effect").value(), "12");
    EXPECT_FALSE(read->ReadString("Seconds").ok());
    EXPECT_FALSE(read->ReadInteger("Effect").ok());
    EXPECT_FALSE(read->ReadInteger("Missing").ok());
    EXPECT_NE(ReadText(path_).find("\"Seconds\"=dword:fffffff4\n"), std::string::npos);
}

TEST_F(FileRegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\Software\\Quenmore\\Caf\xE9 Show", true);
    key->WriteInteger("Seconds", 5);
    ASSERT_TRUE(key->Close().ok());

    auto other = Open(registry, "\\SOFTWARE\\quenmore\\CAF\xC9 SHOW\\PlayList", true);
    other->WriteString("item0", "a.mp3");
    ASSERT_TRUE(other->Close().ok());
    auto same = Open(registry, "software\\QUENMORE\\caf\xE9 show", false);
    EXPECT_EQ(same->ReadInteger("SECONDS").value(), 5);
    same->WriteInteger("seconds", 7);
    ASSERT_TRUE(same->Close().ok());

    auto check = Open(registry, "\\Software\\Quenmore\\Caf\xE9 Show", false);
    EXPECT_EQ(check->ValueNames(), std::vector<std::string>{"Seconds"});
    EXPECT_EQ(check->ReadInteger("Seconds").value(), 7);
    const std::string text = ReadText(path_);
    // Names are written as UTF-8 so the file reads well in an editor.
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quenmore\\Caf\xC3\xA9 Show]\n"
                        "\"Seconds\"=dword:00000007\n"),
              std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quenmore\\Caf\xC3\xA9 Show\\PlayList]"),
              std::string::npos);
}

struct StringCase {
    const char* name;
    std::string text;
};

std::string EveryByte() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes;
}

class StringRoundTripTest : public FileRegistryTest,
                            public ::testing::WithParamInterface<StringCase> {};

TEST_P(StringRoundTripTest, ComesBackExactlyAndTheFileStaysAscii) {
    const std::string& text = GetParam().text;
    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\Software\\Quenmore\\Bytes", true);
    key->WriteString("Value", text);
    key->WriteString("After", "x");
    ASSERT_TRUE(key->Close().ok());

    FileRegistry again = MakeRegistry();
    auto read = Open(again, "\\Software\\Quenmore\\Bytes", false);
    EXPECT_EQ(read->ReadString("Value").value(), text);
    EXPECT_EQ(read->ReadString("After").value(), "x");
    for (char c : ReadText(path_))
        ASSERT_TRUE(uint8_t(c) < 0x80 && (uint8_t(c) >= 0x20 || c == '\n')) << int(uint8_t(c));
}

INSTANTIATE_TEST_SUITE_P(
    Strings, StringRoundTripTest,
    ::testing::Values(StringCase{"Empty", ""}, StringCase{"EveryByte", EveryByte()},
                      StringCase{"EmbeddedNul", std::string("a\0b", 3)},
                      StringCase{"OnlyNul", std::string(1, '\0')},
                      StringCase{"TrailingNul", std::string("ab\0", 3)},
                      StringCase{"QuotesAndBackslashes", "C:\\dir\\\"x\"\\"},
                      StringCase{"EffectSet", "\x01\x02\x37\x78"},
                      StringCase{"Latin1", "Caf\xE9 \x80"},
                      StringCase{"LineBreaks", "one\r\ntwo\n"},
                      StringCase{"Long", std::string(1000, '\xA0')}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(FileRegistryTest, ReadsAHandWrittenFileAndKeepsWhatItDoesNotUse) {
    const std::string hexExpand = "\"Path\"=hex(2):25,00,\\";
    WriteText(path_,
              "regedit4\r\n"
              "\r\n"
              "; my settings\r\n"
              "[hkey_current_user\\software\\quenmore\\Hand Made]\r\n"
              "@=\"default\"\r\n"
              "\"SECONDS\" = DWORD:0000000A   ; ten\r\n"
              "\"Effect\"=hex(1):01,02,\\\r\n"
              "    03,00\r\n"
              + hexExpand + "\r\n"
              "  41,00\r\n"
              "\"Blob\"=hex:de,ad\r\n"
              "\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
              "\"Kept\"=\"yes\"\r\n"
              "; the end\r\n");
    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\Software\\Quenmore\\Hand Made", false);
    EXPECT_EQ(key->ReadInteger("Seconds").value(), 10);
    EXPECT_EQ(key->ReadString("effect").value(), "\x01\x02\x03");
    EXPECT_EQ(key->ReadString("").value(), "default");
    EXPECT_FALSE(key->ReadString("Path").ok());
    EXPECT_FALSE(key->ReadInteger("Blob").ok());
    EXPECT_TRUE(key->ValueExists("blob"));
    key->WriteInteger("Seconds", 11);
    ASSERT_TRUE(key->Close().ok());
    EXPECT_TRUE(warnings_.empty());

    const std::string text = ReadText(path_);
    EXPECT_NE(text.find("; my settings\n[hkey_current_user\\software\\quenmore\\Hand Made]\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"SECONDS\"=dword:0000000b   ; ten\n"), std::string::npos) << text;
    EXPECT_NE(text.find(hexExpand + "\n  41,00\n\"Blob\"=hex:de,ad\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Kept\"=\"yes\"\n"),
              std::string::npos);
    EXPECT_NE(text.find("; the end"), std::string::npos);
}

TEST_F(FileRegistryTest, ChangesOfKeysOpenedTogetherAreAllSaved) {
    FileRegistry first = MakeRegistry();
    FileRegistry second = MakeRegistry();
    auto old = Open(first, "\\Software\\Quenmore\\Show", true);
    old->WriteInteger("C", 3);
    ASSERT_TRUE(old->Close().ok());

    auto a = Open(first, "\\Software\\Quenmore\\Show", true);
    auto b = Open(second, "\\Software\\Quenmore\\Show", true);
    a->WriteInteger("A", 1);
    b->WriteInteger("B", 2);
    b->DeleteValue("C");
    EXPECT_FALSE(b->ValueExists("C"));  // a key sees its own changes at once
    ASSERT_TRUE(a->Close().ok());
    EXPECT_FALSE(b->ValueExists("A"));  // and otherwise the snapshot it was opened with
    ASSERT_TRUE(b->Close().ok());
    auto check = Open(first, "\\Software\\Quenmore\\Show", false);
    EXPECT_EQ(check->ValueNames(), (std::vector<std::string>{"A", "B"}));
}

// Each writer opens, writes one value and closes, many times over, with a registry object of
// its own; every value must survive.
void WriteMany(const std::string& path, const std::string& prefix, int count) {
    FileRegistry registry(path);
    for (int i = 0; i < count; ++i) {
        auto key = registry.OpenKey("\\Software\\Quenmore\\Busy", true);
        if (!key)
            continue;
        (*key)->WriteInteger(prefix + std::to_string(i), i);
        (void)(*key)->Close();
    }
}

TEST_F(FileRegistryTest, ConcurrentProcessesLoseNoValues) {
    constexpr int kEach = 40;
    std::vector<pid_t> children;
    for (const char* prefix : {"p", "q"}) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteMany(path_, prefix, kEach);
            ::_exit(0);
        }
        children.push_back(child);
    }
    std::thread inProcess(WriteMany, path_, "t", kEach);
    WriteMany(path_, "u", kEach);
    inProcess.join();
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\Software\\Quenmore\\Busy", false);
    EXPECT_EQ(key->ValueNames().size(), 4u * kEach);
    for (const char* prefix : {"p", "q", "t", "u"})
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(key->ReadInteger(prefix + std::to_string(i)).value(), i) << prefix << i;
    EXPECT_TRUE(FilesStartingWith("user.reg.tmp").empty());
}

struct NotAStore {
    const char* name;
    std::string text;
};

class NotAStoreTest : public FileRegistryTest, public ::testing::WithParamInterface<NotAStore> {};

TEST_P(NotAStoreTest, IsKeptAsideAndReported) {
    const std::string& broken = GetParam().text;
    WriteText(path_, broken);
    FileRegistry registry = MakeRegistry();
    EXPECT_FALSE(registry.OpenKey("\\Software", false).ok());  // reads as an empty store
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find(path_), std::string::npos) << warnings_[0];
    auto kept = FilesStartingWith("user.reg.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadText(kept[0].string()), broken);

    auto key = Open(registry, "\\Software\\Quenmore\\Fresh", true);
    key->WriteInteger("Seconds", 3);
    ASSERT_TRUE(key->Close().ok());

    // A second one, very likely within the same second, gets a name of its own.
    WriteText(path_, broken);
    auto again = Open(registry, "\\Software\\Quenmore\\Fresh", true);
    again->WriteInteger("Seconds", 4);
    ASSERT_TRUE(again->Close().ok());
    EXPECT_EQ(warnings_.size(), 2u);
    EXPECT_EQ(FilesStartingWith("user.reg.corrupt-").size(), 2u);
    EXPECT_EQ(Open(registry, "\\Software\\Quenmore\\Fresh", false)->ReadInteger("Seconds").value(), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Files, NotAStoreTest,
    ::testing::Values(NotAStore{"NoHeader", "[HKEY_CURRENT_USER\\Software]\n\"a\"=dword:1\n"},
                      NotAStore{"OtherFormat", "Windows Registry Editor Version 5.00\n"},
                      NotAStore{"BinaryGarbage", std::string("\0\0\x13\xff\x89PNG\r\n\x1a", 11)}),
    [](const auto& row) { return std::string(row.param.name); });

// What the store writes, with one line a person got wrong in the middle of a key.
const std::string kStoreWithABadLine =
    "REGEDIT4\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Quenmore\\My Show]\n"
    "\"Seconds\"=dword:0000000c\n"
    "\"Stretch\"=dword:3 three\n"
    "\"Effect\"=\"AB\"\n";

TEST_F(FileRegistryTest, ABadLineIsReportedOnceAndSurvivesSaves) {
    WriteText(path_, kStoreWithABadLine);
    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\Software\\Quenmore\\My Show", false);
    EXPECT_EQ(key->ReadInteger("Seconds").value(), 12);
    EXPECT_EQ(key->ReadString("Effect").value(), "AB");
    EXPECT_FALSE(key->ValueExists("Stretch"));
    EXPECT_TRUE(key->ValueUnreadable("Stretch"));
    EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Seconds", "Effect"}));
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find(path_ + ", line 5:"), std::string::npos) << warnings_[0];

    // Writing a value it already has changes no byte; writing another keeps the line in place.
    key->WriteInteger("Seconds", 12);
    ASSERT_TRUE(key->Close().ok());
    EXPECT_EQ(ReadText(path_), kStoreWithABadLine);
    auto other = Open(registry, "\\Software\\Quenmore\\My Show", true);
    other->WriteInteger("Loop", 1);
    ASSERT_TRUE(other->Close().ok());
    EXPECT_EQ(ReadText(path_), kStoreWithABadLine + "\"Loop\"=dword:00000001\n");
    EXPECT_EQ(warnings_.size(), 1u);
    EXPECT_TRUE(FilesStartingWith("user.reg.corrupt-").empty());
}

// Reading needs no write access and creates nothing, whatever is where the lock file would be.
struct ReadSetup {
    const char* name;
    std::function<void(const std::string& folder)> prepare;
};

class ReadOnlyAccessTest : public FileRegistryTest, public ::testing::WithParamInterface<ReadSetup> {};

TEST_P(ReadOnlyAccessTest, ReadsTheStoreAndCreatesNothing) {
    {
        FileRegistry registry = MakeRegistry();
        auto key = Open(registry, "\\Software\\Quenmore\\My Show", true);
        key->WriteInteger("Seconds", 12);
        ASSERT_TRUE(key->Close().ok());
        fs::remove(path_ + ".lock");
    }
    const std::string folder = (dir_.Path() / "vorlandite").string();
    GetParam().prepare(folder);
    std::vector<fs::path> before = FilesStartingWith("");
    testing::OpenToOthers(dir_.Path());
    testing::OpenToOthers(folder, false);
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read
                               | fs::perms::group_read);

    const int status = testing::RunUnprivileged([&] {
        FileRegistry registry(path_, [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
        auto found = registry.FindKey("\\Software\\Quenmore\\My Show");
        if (!found || !*found || (*found)->ReadInteger("Seconds").value() != 12)
            return 1;
        // Opening with "create" needs no write either when the key is there.
        auto opened = registry.OpenKey("\\Software\\Quenmore\\My Show", true);
        if (!opened || !(*opened)->ValueExists("Seconds"))
            return 2;
        auto missing = registry.FindKey("\\Software\\Nobody");
        return missing && !*missing ? 0 : 3;
    });
    testing::OpenToOthers(folder);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FilesStartingWith(""), before);
}

INSTANTIATE_TEST_SUITE_P(
    Setups, ReadOnlyAccessTest,
    ::testing::Values(
        ReadSetup{"ReadOnlyFolder", [](const std::string&) {}},
        ReadSetup{"LockFileIsAFolder", [](const std::string& folder) { fs::create_directory(folder + "/user.reg.lock"); }},
        ReadSetup{"LockFileIsAPipe", [](const std::string& folder) {
                      ASSERT_EQ(::mkfifo((folder + "/user.reg.lock").c_str(), 0600), 0);
                  }},
        // Ours, and closed to the user the reading child runs as when the tests run as root.
        ReadSetup{"AnotherUsersLockFile", [](const std::string& folder) {
                      const std::string lock = folder + "/user.reg.lock";
                      WriteText(lock, "");
                      ASSERT_EQ(::chmod(lock.c_str(), 0600), 0);
                  }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(FileRegistryTest, AReadDoesNotWaitForeverForAStuckLockHolder) {
    FileRegistry registry = MakeRegistry();
    auto key = Open(registry, "\\A", true);
    key->WriteInteger("x", 1);
    ASSERT_TRUE(key->Close().ok());
    int held = ::open((path_ + ".lock").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    // Another open file description: the lock conflicts with this process's own reads too.
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    auto found = registry.FindKey("\\A");
    ::close(held);
    ASSERT_TRUE(found.ok()) << found.message();
    ASSERT_TRUE(*found);
    EXPECT_EQ((*found)->ReadInteger("x").value(), 1);
}

TEST_F(FileRegistryTest, AStoreThatCannotBeReadIsAnErrorNotAnEmptyStore) {
    fs::create_directories(path_);  // a folder where the file should be
    FileRegistry registry = MakeRegistry();
    auto found = registry.FindKey("\\Control Panel\\Desktop");
    ASSERT_FALSE(found.ok());
    EXPECT_NE(found.message().find(path_), std::string::npos) << found.message();
    EXPECT_FALSE(registry.OpenKey("\\Control Panel\\Desktop", true).ok());
    EXPECT_EQ(FilesStartingWith("user.reg").size(), 1u);  // nothing made beside it
}

// A save that cannot be made is reported, naming the file, and the file stays as it was.
struct SaveObstacle {
    const char* name;
    std::function<void(const std::string& folder)> prepare;
    bool unprivileged;  // the obstacle is a permission
};

class SaveFailureTest : public FileRegistryTest, public ::testing::WithParamInterface<SaveObstacle> {};

TEST_P(SaveFailureTest, IsReportedAndTheOldFileStaysIntact) {
    {
        FileRegistry registry = MakeRegistry();
        auto key = Open(registry, "\\Software\\Quenmore\\My Show", true);
        key->WriteInteger("Seconds", 12);
        ASSERT_TRUE(key->Close().ok());
        fs::remove(path_ + ".lock");
    }
    const std::string before = ReadText(path_);
    const std::string folder = (dir_.Path() / "vorlandite").string();
    GetParam().prepare(folder);
    auto save = [&]() -> std::string {
        FileRegistry registry(path_, [](const std::string&) {});
        auto key = registry.OpenKey("\\Software\\Quenmore\\My Show", true);
        if (!key)
            return "open: " + key.message();
        (*key)->WriteInteger("Seconds", 30);
        Status saved = (*key)->Close();
        return saved ? std::string() : saved.message();
    };
    if (GetParam().unprivileged) {
        testing::OpenToOthers(dir_.Path());
        testing::OpenToOthers(folder, false);
        fs::permissions(path_, fs::perms::others_read, fs::perm_options::add);
        const int status = testing::RunUnprivileged([&] {
            const std::string message = save();
            return message.find(folder) != std::string::npos ? 0 : 1;
        });
        testing::OpenToOthers(folder);
        EXPECT_EQ(status, 0);
    } else {
        const std::string message = save();
        EXPECT_NE(message.find(folder), std::string::npos) << message;
    }
    EXPECT_EQ(ReadText(path_), before);
    EXPECT_TRUE(FilesStartingWith("user.reg.tmp").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Obstacles, SaveFailureTest,
    ::testing::Values(
        SaveObstacle{"LockFileIsAFolder",
                     [](const std::string& folder) { fs::create_directory(folder + "/user.reg.lock"); }, false},
        SaveObstacle{"ReadOnlyFolder", [](const std::string&) {}, true},
        SaveObstacle{"ReadOnlyFolderWithALockFile",
                     [](const std::string& folder) {
                         WriteText(folder + "/user.reg.lock", "");
                         ::chmod((folder + "/user.reg.lock").c_str(), 0666);
                     },
                     true}),
    [](const auto& row) { return std::string(row.param.name); });

// Whether a show asks for the password: "not set" is no, "cannot know" is yes.
struct PasswordCase {
    const char* name;
    std::function<void(const std::string& path)> prepare;
    bool asks;
    bool known;        // ReadScreenSaveUsePassword has an answer
    bool unprivileged;  // read as a user whom permissions stop
};

class PasswordFlagTest : public FileRegistryTest, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordFlagTest, FailsClosed) {
    fs::create_directories(fs::path(path_).parent_path());
    GetParam().prepare(path_);
    auto ask = [&] {
        FileRegistry registry(path_, [](const std::string&) {});
        const bool known = ReadScreenSaveUsePassword(registry).ok();
        return (ScreenSaveUsePassword(registry) ? 1 : 0) | (known ? 2 : 0);
    };
    int answer = 0;
    if (GetParam().unprivileged) {
        testing::OpenToOthers(dir_.Path());
        testing::OpenToOthers(fs::path(path_).parent_path());
        answer = testing::RunUnprivileged(ask);
    } else {
        answer = ask();
    }
    EXPECT_EQ((answer & 1) != 0, GetParam().asks);
    EXPECT_EQ((answer & 2) != 0, GetParam().known);
}

std::function<void(const std::string&)> DesktopKey(const std::string& lines) {
    return [lines](const std::string& path) {
        WriteText(path, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n" + lines);
    };
}

INSTANTIATE_TEST_SUITE_P(
    Stores, PasswordFlagTest,
    ::testing::Values(
        PasswordCase{"NoStore", [](const std::string&) {}, false, true, false},
        PasswordCase{"NotSet", DesktopKey("\"Wallpaper\"=\"\"\n"), false, true, false},
        PasswordCase{"Set", DesktopKey("\"ScreenSaveUsePassword\"=dword:00000001\n"), true, true, false},
        PasswordCase{"Off", DesktopKey("\"ScreenSaveUsePassword\"=dword:00000000\n"), false, true, false},
        PasswordCase{"AnotherLineUnreadable",
                     DesktopKey("\"Wallpaper\"=oops\n\"ScreenSaveUsePassword\"=dword:00000000\n"), false, true, false},
        PasswordCase{"ItsLineUnreadable", DesktopKey("\"ScreenSaveUsePassword\"=dword:one\n"), true, false, false},
        PasswordCase{"StoredAsBinary", DesktopKey("\"ScreenSaveUsePassword\"=hex:01\n"), true, false, false},
        PasswordCase{"StoreIsAFolder", [](const std::string& path) { fs::create_directories(path); }, true, false,
                     false},
        PasswordCase{"StoreNotReadableByItsUser",
                     [](const std::string& path) {
                         DesktopKey("\"ScreenSaveUsePassword\"=dword:00000001\n")(path);
                         ::chmod(path.c_str(), 0);
                     },
                     true, false, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(FileRegistryTest, OpeningWithoutCreateCreatesNothing) {
    FileRegistry registry = MakeRegistry();
    EXPECT_FALSE(registry.OpenKey("\\Software\\Quenmore\\Nobody", false).ok());
    EXPECT_FALSE(fs::exists(dir_.Path() / "vorlandite"));

    auto sibling = Open(registry, "\\Software\\Quenmore\\Somebody", true);
    ASSERT_TRUE(sibling->Close().ok());  // an empty key still gets its section
    EXPECT_FALSE(registry.OpenKey("\\Software\\Quenmore\\Nobody", false).ok());
    EXPECT_TRUE(registry.OpenKey("\\Software\\Quenmore", false).ok());  // a parent by its child
    EXPECT_TRUE(registry.OpenKey("\\Software\\Quenmore\\Somebody", false).ok());
    EXPECT_EQ(ReadText(path_).find("Nobody"), std::string::npos);
}

TEST_F(FileRegistryTest, DeleteKeyTakesItsSubkeysAndLeavesItsParent) {
    FileRegistry registry = MakeRegistry();
    for (const char* path : {"\\A\\B", "\\A\\B\\C", "\\A\\B\\D\\E", "\\A\\BB"}) {
        auto key = Open(registry, path, true);
        key->WriteInteger("V", 1);
        ASSERT_TRUE(key->Close().ok());
    }
    ASSERT_TRUE(registry.DeleteKey("\\a\\b").ok());
    EXPECT_FALSE(registry.OpenKey("\\A\\B", false).ok());
    EXPECT_FALSE(registry.OpenKey("\\A\\B\\D\\E", false).ok());
    EXPECT_TRUE(registry.OpenKey("\\A\\BB", false).ok());

    ASSERT_TRUE(registry.DeleteKey("\\A\\BB").ok());
    EXPECT_TRUE(registry.OpenKey("\\A", false).ok());
    EXPECT_TRUE(registry.DeleteKey("\\A\\Never\\There").ok());
    EXPECT_FALSE(registry.DeleteKey("\\").ok());
}

TEST_F(FileRegistryTest, NamesThatCannotGoIntoALineAreRefused) {
    FileRegistry registry = MakeRegistry();
    EXPECT_FALSE(registry.OpenKey("\\Software\\Bad\nName]", true).ok());
    auto key = Open(registry, "\\Software\\Good", true);
    key->WriteInteger("ok", 1);
    key->WriteInteger("bad\nname", 2);
    EXPECT_FALSE(key->Close().ok());
    EXPECT_EQ(Open(registry, "\\Software\\Good", false)->ValueNames(),
              std::vector<std::string>{"ok"});
}

TEST(DefaultUserRegistryPathTest, FollowsXdgConfigHome) {
    testing::ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/config");
    EXPECT_EQ(DefaultUserRegistryPath(), "/somewhere/config/vorlandite/user.reg");
    config.Set("relative");  // not absolute: ignored
    EXPECT_TRUE(DefaultUserRegistryPath().ends_with("/.config/vorlandite/user.reg"));
}

} // namespace
} // namespace vorlandite::platform

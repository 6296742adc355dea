#include "vcs/CommandBuilder.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

const char kFolder[] = "C:\\Tools\\";
const char kPserver[] = ":pserver:anonymous@cvs.harrowby.example:/cvsroot/quill";

struct Fields {
    const char* project;
    const char* remote;
    const char* tag;
    const char* local;
};

BuildResult Compose(Operation op, SourceSystem system, const Fields& f, ClientCommand* out,
                    const char* folder = kFolder)
{
    unsigned options = 0;
    const char* templ = CommandBuilder::Template(op, system, &options);
    OperationRequest request = { system, templ, options, f.project, f.remote, f.tag, f.local };
    return CommandBuilder::Build(request, folder, out);
}

std::string Line(Operation op, SourceSystem system, const Fields& f)
{
    ClientCommand c;
    EXPECT_EQ(Compose(op, system, f, &c), BuildResult::Ok);
    return c.parameters.Data() ? c.parameters.Data() : "<null>";
}

struct Row {
    Operation op;
    SourceSystem system;
    const char* executable;
    const char* line;
    const char* blankLine; // the line with kBlankFields
};

const Fields kCvsFields = { "Quillmoor", kPserver, "v1_04", "C:\\Work\\Quillmoor" };
const Fields kSvnFields = { "Quillmoor", "X:\\Repos\\Main", "v1_04", "C:\\Work\\Quillmoor" };
// A folder or project with blanks is one quoted argument wherever it flows in.
const Fields kBlankFields = { "My App", "X:\\My Repos", "v1", "X:\\My Work\\app" };

#define PS ":pserver:anonymous@cvs.harrowby.example:/cvsroot/quill"
const Row kRows[] = {
    { Operation::CreateTag, SourceSystem::Cvs, "C:\\Tools\\cvs.exe", "-z3 -d " PS " -N -q tag -F -c v1_04",
      "-z3 -d \"X:\\My Repos\" -N -q tag -F -c v1" },
    { Operation::CreateRepository, SourceSystem::Cvs, "C:\\Tools\\cvs.exe", "-d " PS " -N init",
      "-d \"X:\\My Repos\" -N init" },
    { Operation::Import, SourceSystem::Cvs, "C:\\Tools\\cvs.exe",
      "-z3 -d " PS " -N import -m import Quillmoor import Import",
      "-z3 -d \"X:\\My Repos\" -N import -m import \"My App\" import" },
    { Operation::Checkout, SourceSystem::Cvs, "C:\\Tools\\cvs.exe",
      "-z3 -d " PS " -N -q checkout -d C:\\Work\\Quillmoor -r v1_04 Quillmoor",
      "-z3 -d \"X:\\My Repos\" -N -q checkout -d \"X:\\My Work\\app\" -r v1 \"My App\"" },
    { Operation::Commit, SourceSystem::Cvs, "C:\\Tools\\cvs.exe", "-z3 -d " PS " -N -q commit -m commited",
      "-z3 -d \"X:\\My Repos\" -N -q commit -m commited" },
    { Operation::ShowStatus, SourceSystem::Cvs, "C:\\Tools\\cvs.exe", "-z3 -d " PS " -N -Q status -v",
      "-z3 -d \"X:\\My Repos\" -N -Q status -v -X" },
    { Operation::CreateTag, SourceSystem::Svn, "C:\\Tools\\svn.exe",
      "copy file:///X:/Repos/Main file:///X:/Repos/Main/v1_04 -m \"v1_04\"",
      "copy \"file:///X:/My Repos\" \"file:///X:/My Repos/v1\" -m \"v1\"" },
    { Operation::CreateRepository, SourceSystem::Svn, "C:\\Tools\\svnadmin.exe", "create X:\\Repos\\Main",
      "create \"X:\\My Repos\"" },
    { Operation::Import, SourceSystem::Svn, "C:\\Tools\\svn.exe",
      "import C:\\Work\\Quillmoor file:///X:/Repos/Main -m \"import\"",
      "import \"X:\\My Work\\app\" \"file:///X:/My Repos\" -m \"import\"" },
    { Operation::Checkout, SourceSystem::Svn, "C:\\Tools\\svn.exe", "co file:///X:/Repos/Main -r v1_04 Quillmoor",
      "co \"file:///X:/My Repos\" -r v1 \"My App\"" },
    { Operation::Commit, SourceSystem::Svn, "C:\\Tools\\svn.exe", "commit -m commited C:\\Work\\Quillmoor\\Quillmoor",
      "commit -m commited \"X:\\My Work\\app\\My App\"" },
    { Operation::ShowStatus, SourceSystem::Svn, "C:\\Tools\\svn.exe", "status C:\\Work\\Quillmoor\\Quillmoor",
      "status \"X:\\My Work\\app\\My App\"" },
};
#undef PS

TEST(CommandBuilder, AllTwelveLines)
{
    for (const Row& row : kRows) {
        const Fields& f = row.system == SourceSystem::Cvs ? kCvsFields : kSvnFields;
        ClientCommand c;
        ASSERT_EQ(Compose(row.op, row.system, f, &c), BuildResult::Ok) << row.line;
        EXPECT_STREQ(c.executable.Data(), row.executable);
        EXPECT_STREQ(c.parameters.Data(), row.line);
        EXPECT_STREQ(c.directory.Data(), "C:\\Work\\Quillmoor");
        EXPECT_EQ(Line(row.op, row.system, kBlankFields), row.blankLine);
    }
}

TEST(CommandBuilder, PserverMarkerComesFromTheRemoteFolder)
{
    Fields local = { "App", "X:\\cvsroot", "latest", "C:\\w" };
    EXPECT_EQ(Line(Operation::ShowStatus, SourceSystem::Cvs, local), "-z3 -d X:\\cvsroot -N -Q status -v -X");
    EXPECT_EQ(Line(Operation::Import, SourceSystem::Cvs, local),
              "-z3 -d X:\\cvsroot -N import -m import App import");
    Fields upper = { "App", ":PSERVER:me@h:/r", "latest", "" };
    EXPECT_EQ(Line(Operation::ShowStatus, SourceSystem::Cvs, upper), "-z3 -d :PSERVER:me@h:/r -N -Q status -v");
    // The marker in another field does not count.
    Fields inProject = { ":pserver:", "X:\\r", "latest", "" };
    EXPECT_EQ(Line(Operation::Import, SourceSystem::Cvs, inProject),
              "-z3 -d X:\\r -N import -m import :pserver: import");
}

TEST(CommandBuilder, TagRules)
{
    for (const char* latest : { "latest", "Latest", "LATEST" }) {
        Fields f = { "P", "R", latest, "L" };
        EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Cvs, f), "-z3 -d R -N -q checkout -d L  P");
        ClientCommand c;
        EXPECT_EQ(Compose(Operation::CreateTag, SourceSystem::Cvs, f, &c), BuildResult::TagMissing);
        EXPECT_EQ(Line(Operation::CreateTag, SourceSystem::Svn, f), "copy R R/ -m \"\"");
    }
    Fields empty = { "P", "R", "", "L" };
    EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Cvs, empty), "-z3 -d R -N -q checkout -d L -r  P");
    EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Svn, empty), "co R -r  P");
    EXPECT_EQ(Line(Operation::CreateTag, SourceSystem::Cvs, empty), "-z3 -d R -N -q tag -F -c ");
    Fields latestish = { "P", "R", "latest2", "L" };
    EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Svn, latestish), "co R -r latest2 P");
}

TEST(CommandBuilder, FileUrlConversion)
{
    struct { const char* remote; const char* url; } cases[] = {
        { "X:\\Repos\\Main", "file:///X:/Repos/Main" },
        { "\\\\srv\\share\\repo", "file://///srv/share/repo" },
        { "X:/Repos", "X:/Repos" },
        { "svn://host/repo", "svn://host/repo" },
        { "", "" },
    };
    for (auto& c : cases) {
        Fields f = { "P", c.remote, "latest", "L" };
        EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Svn, f), std::string("co ") + c.url + "  P");
    }
    // svnadmin takes the folder as typed.
    Fields f = { "", "X:\\Repos\\New", "latest", "" };
    EXPECT_EQ(Line(Operation::CreateRepository, SourceSystem::Svn, f), "create X:\\Repos\\New");
}

TEST(CommandBuilder, ValidationOrderAndEmptyProject)
{
    ClientCommand c;
    Fields none = { "", "R", "latest", "L" };
    EXPECT_EQ(Compose(Operation::Checkout, SourceSystem::Cvs, none, &c), BuildResult::ProjectMissing);
    EXPECT_EQ(Compose(Operation::Checkout, SourceSystem::Svn, none, &c), BuildResult::ProjectMissing);
    EXPECT_EQ(Compose(Operation::Commit, SourceSystem::Svn, none, &c), BuildResult::ProjectMissing);
    EXPECT_EQ(Compose(Operation::Import, SourceSystem::Cvs, none, &c), BuildResult::ProjectMissing);
    // Blanks alone name no project: Windows drops them from a folder name.
    Fields blanks = { " \t ", "R", "latest", "L" };
    EXPECT_EQ(Compose(Operation::Checkout, SourceSystem::Svn, blanks, &c), BuildResult::ProjectMissing);
    // A line that lacks both reports the project only.
    OperationRequest both = { SourceSystem::Cvs, "%proj% %rel%", OptNeedTag, "", "R", "latest", "L" };
    EXPECT_EQ(CommandBuilder::Build(both, kFolder, &c), BuildResult::ProjectMissing);

    const Operation acceptedCvs[] = { Operation::CreateRepository, Operation::Commit, Operation::ShowStatus };
    for (Operation op : acceptedCvs)
        EXPECT_EQ(Compose(op, SourceSystem::Cvs, none, &c), BuildResult::Ok);
    Fields tagged = { "", "R", "t1", "L" };
    EXPECT_EQ(Compose(Operation::CreateTag, SourceSystem::Cvs, tagged, &c), BuildResult::Ok);
    const Operation acceptedSvn[] = { Operation::CreateTag, Operation::CreateRepository, Operation::Import };
    for (Operation op : acceptedSvn)
        EXPECT_EQ(Compose(op, SourceSystem::Svn, none, &c), BuildResult::Ok);
}

TEST(CommandBuilder, ExecutableFolderAndUnquotedWorkingDirectory)
{
    Fields f = { "App", "R", "latest", "X:\\My Projects\\App" };
    ClientCommand c;
    ASSERT_EQ(Compose(Operation::Commit, SourceSystem::Svn, f, &c, "C:\\Tools"), BuildResult::Ok);
    EXPECT_STREQ(c.executable.Data(), "C:\\Tools\\svn.exe");
    EXPECT_STREQ(c.parameters.Data(), "commit -m commited \"X:\\My Projects\\App\\App\"");
    EXPECT_STREQ(c.directory.Data(), "X:\\My Projects\\App");
    ClientCommand d;
    ASSERT_EQ(Compose(Operation::Commit, SourceSystem::Cvs, f, &d, ""), BuildResult::Ok);
    EXPECT_STREQ(d.executable.Data(), "cvs.exe");
    Fields emptyLocal = { "App", "R", "latest", "" };
    ClientCommand e;
    ASSERT_EQ(Compose(Operation::Commit, SourceSystem::Cvs, emptyLocal, &e), BuildResult::Ok);
    EXPECT_STREQ(e.directory.Data(), "");
}

TEST(CommandBuilder, PlaceholdersInFieldsFollowTheOrderRule)
{
    // A project holding "%dir%" receives the local folder; its own "%proj%" stays.
    Fields f = { "%dir%|%proj%|%cvsroot%", "%proj%R", "%dir%T", "L%dir%" };
    EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Cvs, f),
              "-z3 -d %proj%R -N -q checkout -d L%dir% -r L%dir%T L%dir%|%proj%|%proj%R");
    Fields quotes = { "a \"b\" c", "R", "t t", "L" };
    EXPECT_EQ(Line(Operation::CreateTag, SourceSystem::Svn, quotes), "copy R R/t t -m \"t t\"");
    // A value the user quoted goes in as typed; a tab is a blank; a closing quote escapes no backslash.
    Fields typed = { "\"My App\"", "\"X:\\My Repos\"", "v1", "X:\\My Work\\" };
    EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Svn, typed), "co file:///\"X:/My Repos\" -r v1 \"My App\"");
    EXPECT_EQ(Line(Operation::Import, SourceSystem::Svn, typed), "import \"X:\\My Work\\\\\" file:///\"X:/My Repos\" -m \"import\"");
    Fields tab = { "a\tb", "R", "t t", "L" };
    EXPECT_EQ(Line(Operation::Checkout, SourceSystem::Cvs, tab), "-z3 -d R -N -q checkout -d L -r t t \"a\tb\"");
}

TEST(CommandBuilder, LongestFieldsAtOnceStayExact)
{
    // Every field at 259 characters, each made of placeholders, blanks and quotes.
    std::string unit = "%proj%%rel% \"%dir%\" %cvsroot%";
    std::string field;
    while (field.size() + unit.size() <= 259)
        field += unit;
    field.resize(259, 'x');
    Fields f = { field.c_str(), field.c_str(), field.c_str(), field.c_str() };
    for (const Row& row : kRows) {
        ClientCommand c;
        BuildResult r = Compose(row.op, row.system, f, &c);
        ASSERT_NE(r, BuildResult::OutOfMemory);
        if (r != BuildResult::Ok)
            continue;
        EXPECT_EQ(c.parameters.Length(), (int)strlen(c.parameters.Data()));
        EXPECT_EQ(c.parameters.Find("%dir%") >= 0, true) << "a local folder holding %dir% keeps it";
    }
}

// Values whose placeholders keep forming new ones grow without end; each
// line is refused at the text ceiling, quickly, and no field is cut short.
TEST(CommandBuilder, RunawaySubstitutionIsRefusedQuickly)
{
    std::string project, remote, tag, local(259, 'l');
    for (int i = 0; i < 28; ++i)
        project += "%cvsroot%";
    for (int i = 0; i < 51; ++i)
        remote += "%rel%", tag += "%dir%";
    struct {
        Operation op;
        SourceSystem system;
        Fields fields;
    } cases[] = {
        { Operation::Checkout, SourceSystem::Svn, { "%%cvsroot%cvsroot%", "cvsroot%%cvsroot", "t", "L" } },
        { Operation::Checkout, SourceSystem::Cvs, { "P", "R", "%%dir%dir%", "dir%%dir" } },
        { Operation::CreateTag, SourceSystem::Cvs, { "P", "R", "%%dir%dir%", "dir%%dir" } },
        { Operation::Checkout, SourceSystem::Svn, { project.c_str(), remote.c_str(), tag.c_str(), local.c_str() } },
    };
    for (const auto& c : cases) {
        ClientCommand command;
        DWORD start = GetTickCount();
        EXPECT_EQ(Compose(c.op, c.system, c.fields, &command), BuildResult::LineTooLong) << c.fields.project;
        EXPECT_LT(GetTickCount() - start, 1000u) << c.fields.project;
    }
}

TEST(CommandBuilder, CeilingCountsTheWholeCommandLineInUnits)
{
    // "<folder>svn.exe" <line> and the terminator: 32,767 UTF-16 units pass, one more does not.
    const std::string longFolder = "C:\\" + std::string(196, 'f') + "\\"; // 200 characters
    const struct {
        std::string folder;
        unsigned codePage;
        const char* character; // of the folder filled into the line
    } cases[] = { { kFolder, 0, "x" }, { longFolder, 0, "x" }, { kFolder, CP_UTF8, "\xE2\x82\xAC" } };
    for (const auto& c : cases) {
        std::string local;
        for (int i = 0; i < 200; ++i)
            local += c.character;
        for (int over : { 0, 1 }) {
            // 160 folders of 200 units in one argument, then plain characters up to the ceiling.
            const int rest = 32767 - 4 - int(c.folder.size() + 7) - 160 * 200 + over;
            std::string templ(rest, 'x');
            for (int i = 0; i < 160; ++i)
                templ += "%dir%";
            OperationRequest request = { SourceSystem::Svn, templ.c_str(), 0, "P", "R", "latest", local.c_str() };
            ClientCommand cmd;
            EXPECT_EQ(CommandBuilder::Build(request, c.folder.c_str(), &cmd, c.codePage),
                      over ? BuildResult::LineTooLong : BuildResult::Ok) << c.folder.size() << " " << c.codePage;
        }
    }
}

TEST(CommandBuilder, IgnoreListIsExact)
{
    std::string list = CommandBuilder::kIgnoreList;
    EXPECT_EQ(list.size(), 284u);
    int entries = 1;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == ' ') {
            ++entries;
            EXPECT_NE(list[i + 1], ' ');
        }
    }
    EXPECT_EQ(entries, 46);
    EXPECT_EQ(list.substr(0, 10), "! . .. cor");
    EXPECT_EQ(list.substr(list.size() - 11), "shdocvw.tli");
}

TEST(CommandBuilder, DoubleByteRemoteKeepsItsTrailBytes)
{
    std::string remote = "X:\\\x95\x5c\\repo";
    Fields f = { "P", remote.c_str(), "latest", "L" };
    std::string line = Line(Operation::Checkout, SourceSystem::Svn, f);
    if (GetACP() == 932)
        EXPECT_EQ(line, "co file:///X:/\x95\x5c/repo  P");
    else
        EXPECT_EQ(line, "co file:///X:/\x95//repo  P");
}

} // namespace

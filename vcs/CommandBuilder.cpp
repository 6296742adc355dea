#include "vcs/CommandBuilder.h"

#include <string.h>

const char CommandBuilder::kIgnoreList[] =
    "! . .. core RCSLOG tags TAGS RCS SCCS .make.state .nse_depinfo .#* cvslog.* ,* CVS "
    "CVS.adm .del-* *.a *.olb *.o *~ *.old *.elc *.ln *.bak *.BAK *.orig *.rej *.exp _$* *$ "
    "*.plg *.obj *.res *.idb *.ilk *.pch vc60.pdb *.sbr *.bsc *.ncb *.opt mshtml.tlh "
    "mshtml.tli shdocvw.tlh shdocvw.tli";

namespace {

struct TemplateRow {
    const char* cvs;
    unsigned cvsOptions;
    const char* svn;
    unsigned svnOptions;
};

// Every CVS line carries the repository and the global option -N.
constexpr unsigned kCvsGlobal = OptRepository | OptN;
constexpr unsigned kCvsCreateTag = kCvsGlobal | OptCompress | OptNeedTag;
constexpr unsigned kCvsInit = kCvsGlobal;
constexpr unsigned kCvsImport = kCvsGlobal | OptCompress | OptReleaseTag;
constexpr unsigned kCvsCheckout = kCvsGlobal | OptCompress | OptRevision | OptCreateLocal;
constexpr unsigned kCvsCommit = kCvsGlobal | OptCompress;
constexpr unsigned kCvsStatus = kCvsGlobal | OptCompress | OptStatusX;
constexpr unsigned kSvnCheckout = OptFileUrl | OptRevision | OptCreateLocal;
static_assert(kCvsCreateTag == 0x09A && kCvsInit == 0x082 && kCvsImport == 0x0D2 && kCvsCheckout == 0x097 &&
                  kCvsCommit == 0x092 && kCvsStatus == 0x0B2 && kSvnCheckout == 0x205,
              "the option words the client lines were specified with");

// In the order of the Operation enumeration.
const TemplateRow kTemplates[] = {
    { "-q tag -F -c %rel%", kCvsCreateTag, "copy %cvsroot% %cvsroot%/%rel% -m \"%rel%\"", OptFileUrl },
    { "init", kCvsInit, "create %cvsroot%", OptAdmin },
    { "import -m import %proj% import", kCvsImport, "import %dir% %cvsroot% -m \"import\"", OptFileUrl },
    { "-q checkout -d %dir% %rel% %proj%", kCvsCheckout, "co %cvsroot% %rel% %proj%", kSvnCheckout },
    { "-q commit -m commited", kCvsCommit, "commit -m commited %dir%\\%proj%", 0 },
    { "-Q status -v", kCvsStatus, "status %dir%\\%proj%", 0 },
};

// Windows hands a program at most 32,767 UTF-16 units of command line, the
// terminator included: the quoted client, a blank and the parameters. A
// longer line would reach the client cut.
const int kCommandLineUnits = 32767;
// No character takes more than three bytes per unit, so a line of more bytes
// never fits; the exact count waits until the line is whole.
const int kLineBytes = 3 * kCommandLineUnits;
// An argument's block has up to a field's room beyond its text.
const int kArgumentCeiling = kLineBytes + kFieldBytes;

// Fills every placeholder of the argument; false when it would grow past
// what a client can receive. An allocation failure clears *ok instead.
bool Fill(TextBuf& argument, const char* placeholder, const char* value, int* ok)
{
    if (argument.Replace(placeholder, value, kArgumentCeiling))
        return true;
    if (argument.Data())
        return false; // refused at the ceiling, the argument kept
    *ok = 0;
    return true;
}

// Encloses an argument in double quotes as programs split their command
// line: backslashes right before the closing quote are doubled, or they would
// escape it. A trail byte 0x5C is no backslash.
int Quote(TextBuf& argument)
{
    int backslashes = 0;
    for (const char* p = argument.Data(); *p; p += TextBuf::CharBytes(p))
        backslashes = *p == '\\' ? backslashes + 1 : 0;
    int ok = argument.Insert(0, "\"") != nullptr;
    while (backslashes--)
        ok &= argument.AppendChar('\\');
    return ok & argument.AppendChar('"');
}

struct Substitution {
    const char* placeholder;
    const char* value;
    bool path; // a folder or project: one argument even with blanks
};

// Runs the substitutions, in their order, on one blank-separated argument of
// the line; a placeholder that a value carries in is filled by a later step.
// An argument that received a path with a blank or tab is quoted, unless it
// holds a double quote: a value the user quoted, or a template's own message.
bool FillArgument(TextBuf& argument, const Substitution (&steps)[4], int* ok)
{
    bool blank = false;
    for (const Substitution& step : steps) {
        if (argument.Find(step.placeholder) < 0)
            continue;
        // No code page has a trail byte below 0x40: a blank or tab is one.
        blank |= step.path && strpbrk(step.value, " \t");
        if (!Fill(argument, step.placeholder, step.value, ok))
            return false;
    }
    // Searched byte by byte: a lead byte before a quote makes no character of it.
    if (blank && *ok && !strchr(argument.Data(), '"'))
        *ok &= Quote(argument);
    return true;
}

} // namespace

const char* CommandBuilder::Template(Operation operation, SourceSystem system, unsigned* options)
{
    const TemplateRow& row = kTemplates[static_cast<int>(operation)];
    bool cvs = system == SourceSystem::Cvs;
    if (options)
        *options = cvs ? row.cvsOptions : row.svnOptions;
    return cvs ? row.cvs : row.svn;
}

BuildResult CommandBuilder::Build(const OperationRequest& request, const char* programFolder,
                                  ClientCommand* command, unsigned codePage)
{
    const unsigned opt = request.options;
    const char* project = request.project ? request.project : "";
    const char* local = request.local ? request.local : "";
    // A text that ran out of memory would start again empty: every step counts.
    int ok = 1;

    TextBuf line;
    if (opt & OptCompress)
        ok &= line.Append("-z3 ");
    if (opt & OptRepository)
        ok &= line.Append("-d %cvsroot%");
    if (opt & OptN) {
        if (line.Length())
            ok &= line.Append(" ");
        ok &= line.Append("-N ");
    }
    ok &= line.Append(request.templateText);

    // The remote folder is the field whose pserver form carries the marker.
    TextBuf remote;
    ok &= remote.Assign(request.remote);
    bool pserver = remote.FindNoCase(":pserver:") != nullptr;
    if ((opt & OptStatusX) && !pserver)
        ok &= line.Append(" -X");
    if ((opt & OptReleaseTag) && pserver)
        ok &= line.Append(" Import");

    // Windows drops the trailing blanks of a folder name: a project of blanks
    // alone would name a folder the user never meant.
    if (!project[strspn(project, " \t")] && line.Find("%proj%") >= 0)
        return BuildResult::ProjectMissing;
    if ((opt & OptFileUrl) && remote.FindChar('\\') >= 0) {
        ok &= remote.Insert(0, "file:///") != nullptr;
        remote.ReplaceChar('\\', '/');
    }
    TextBuf release;
    ok &= release.Assign(request.tag);
    if (release.CompareNoCase("latest") == 0) {
        if (opt & OptNeedTag)
            return BuildResult::TagMissing;
        ok &= release.Assign("");
    } else if (opt & OptRevision) {
        ok &= release.Insert(0, "-r ") != nullptr;
    }
    if (!ok)
        return BuildResult::OutOfMemory;

    const Substitution steps[4] = { { "%proj%", project, true },
                                    { "%cvsroot%", remote.Data(), true },
                                    { "%rel%", release.Data(), false },
                                    { "%dir%", local, true } };
    // The template's blanks part the arguments; no placeholder holds one, so
    // filling argument by argument gives the line that filling it whole would.
    TextBuf& parameters = command->parameters;
    ok &= parameters.Assign("");
    TextBuf argument;
    for (int start = 0;;) {
        int end = line.FindChar(' ', start);
        ok &= argument.Assign(line.Data() + start, (end < 0 ? line.Length() : end) - start);
        if (!FillArgument(argument, steps, &ok))
            return BuildResult::LineTooLong;
        if (start)
            ok &= parameters.AppendChar(' ');
        ok &= parameters.Append(argument);
        if (!ok)
            return BuildResult::OutOfMemory;
        if (parameters.Length() > kLineBytes)
            return BuildResult::LineTooLong;
        if (end < 0)
            break;
        start = end + 1;
    }

    const char* client = "cvs.exe";
    if (request.system == SourceSystem::Svn)
        client = (opt & OptAdmin) ? "svnadmin.exe" : "svn.exe";
    ok &= command->executable.Assign(programFolder);
    ok &= command->executable.EnsureTrailingBackslash() != nullptr;
    ok &= command->executable.Append(client);
    ok &= command->directory.Assign(local);
    if (!ok)
        return BuildResult::OutOfMemory;
    // "<executable>" <parameters> and the terminator.
    const int units = TextBuf::Units(command->executable.Data(), codePage) +
                      TextBuf::Units(parameters.Data(), codePage) + 4;
    return units <= kCommandLineUnits ? BuildResult::Ok : BuildResult::LineTooLong;
}

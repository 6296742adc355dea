#include "vcs/CommandBuilder.h"

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

// Windows hands a program at most 32,767 characters of command line: a
// longer parameter line could never reach the client.
const int kLineCeiling = 32768;

// Fills every placeholder of the line; false when the line would grow past
// what a client can receive. An allocation failure clears *ok instead.
bool Fill(TextBuf& line, const char* placeholder, const char* value, int* ok)
{
    if (line.Replace(placeholder, value, kLineCeiling))
        return true;
    if (line.Data())
        return false; // refused at the ceiling, the line kept
    *ok = 0;
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
                                  ClientCommand* command)
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

    if (!*project && line.Find("%proj%") >= 0)
        return BuildResult::ProjectMissing;
    if (!Fill(line, "%proj%", project, &ok))
        return BuildResult::LineTooLong;

    if ((opt & OptFileUrl) && remote.FindChar('\\') >= 0) {
        ok &= remote.Insert(0, "file:///") != nullptr;
        remote.ReplaceChar('\\', '/');
    }
    if (!Fill(line, "%cvsroot%", remote.Data(), &ok))
        return BuildResult::LineTooLong;

    TextBuf release;
    ok &= release.Assign(request.tag);
    if (release.CompareNoCase("latest") == 0) {
        if (opt & OptNeedTag)
            return BuildResult::TagMissing;
        ok &= release.Assign("");
    } else if (opt & OptRevision) {
        ok &= release.Insert(0, "-r ") != nullptr;
    }
    if (!Fill(line, "%rel%", release.Data(), &ok) || !Fill(line, "%dir%", local, &ok))
        return BuildResult::LineTooLong;

    const char* client = "cvs.exe";
    if (request.system == SourceSystem::Svn)
        client = (opt & OptAdmin) ? "svnadmin.exe" : "svn.exe";
    ok &= command->executable.Assign(programFolder);
    ok &= command->executable.EnsureTrailingBackslash() != nullptr;
    ok &= command->executable.Append(client);
    ok &= command->parameters.Assign(line.Data());
    ok &= command->directory.Assign(local);
    return ok ? BuildResult::Ok : BuildResult::OutOfMemory;
}

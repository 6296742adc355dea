#pragma once
#include "ui/TextBuf.h"

// CVS exactly when the "CVS" radio button is checked; every other state takes SVN.
enum class SourceSystem { Cvs, Svn };

enum OptionBits : unsigned {
    OptRevision = 0x001,    // a tag other than "latest" goes in as "-r <tag>"
    OptRepository = 0x002,  // global option "-d %cvsroot%"
    OptCreateLocal = 0x004, // the local folder is created before the run
    OptNeedTag = 0x008,     // the tag "latest" is refused
    OptCompress = 0x010,    // the line begins with "-z3 "
    OptStatusX = 0x020,     // " -X" unless the remote folder is a pserver address
    OptReleaseTag = 0x040,  // " Import" when the remote folder is a pserver address
    OptN = 0x080,           // global option "-N "
    OptAdmin = 0x100,       // SVN runs "svnadmin.exe" instead of "svn.exe"
    OptFileUrl = 0x200,     // a remote folder with "\" becomes a "file:///" address
};

enum class Operation { CreateTag, CreateRepository, Import, Checkout, Commit, ShowStatus };

// One client run as an operation asks for it; texts are taken unchanged.
struct OperationRequest {
    SourceSystem system;
    const char* templateText;
    unsigned options;
    const char* project;
    const char* remote;
    const char* tag;
    const char* local;
};

struct ClientCommand {
    TextBuf executable;
    TextBuf parameters;
    TextBuf directory;
};

// LineTooLong: the client's whole command line would be longer than Windows
// can pass to a program (long fields, or field values whose placeholders
// keep forming new ones).
enum class BuildResult { Ok, ProjectMissing, TagMissing, LineTooLong, OutOfMemory };

// Turns a request into the client's path and parameter line. Pure: no side
// effects. Every argument that a folder or project with a blank or tab flows
// into is quoted, so that the client receives it whole.
class CommandBuilder {
public:
    // The ignore list that every client run receives in "CVSIGNORE".
    static const char kIgnoreList[];

    // The parameter template of an operation; *options receives its option word.
    static const char* Template(Operation operation, SourceSystem system, unsigned* options);

    // programFolder is the program's folder; a missing trailing "\" is added.
    // command holds the composed run only after BuildResult::Ok. The line is
    // measured in UTF-16 units of the code page the texts are in (0: ANSI).
    static BuildResult Build(const OperationRequest& request, const char* programFolder,
                             ClientCommand* command, unsigned codePage = 0);
};

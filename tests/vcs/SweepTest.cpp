// Randomized sweep over the text type and the command composition: fixed
// seeds, thousands of cases, fields up to 259 bytes made of placeholders,
// quotes, blanks, separators and double-byte characters. Every result is
// checked against a straightforward model written from the composition rules.
#include "ui/TextBuf.h"
#include "vcs/CommandBuilder.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <windows.h>

namespace {

// Character steps as the multibyte runtime takes them: a lead byte and the
// byte after it are one character, unless that byte ends the text.
size_t Step(const std::string& s, size_t i)
{
    return IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

size_t ModelFind(const std::string& s, const std::string& find, size_t from)
{
    for (size_t i = from; i < s.size(); i += Step(s, i)) {
        if (s.compare(i, find.size(), find) == 0)
            return i;
    }
    return find.empty() ? from : std::string::npos;
}

std::string ModelReplace(std::string s, const std::string& find, const std::string& repl)
{
    const bool goOn = ModelFind(repl, find, 0) != std::string::npos;
    size_t at = ModelFind(s, find, 0);
    while (at != std::string::npos) {
        s.replace(at, find.size(), repl);
        at = ModelFind(s, find, goOn ? at + repl.size() : 0);
    }
    return s;
}

bool ModelIsLatest(const std::string& tag)
{
    return tag.size() == 6 && lstrcmpiA(tag.c_str(), "latest") == 0 &&
           std::all_of(tag.begin(), tag.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool ModelHasPserver(const std::string& remote)
{
    const std::string marker = ":pserver:";
    for (size_t i = 0; i + marker.size() <= remote.size(); ++i) {
        bool same = true;
        for (size_t k = 0; k < marker.size() && same; ++k)
            same = tolower(static_cast<unsigned char>(remote[i + k])) == marker[k];
        if (same)
            return true;
    }
    return false;
}

// The composition rules, step by step, on plain strings.
BuildResult ModelBuild(const OperationRequest& r, std::string* line)
{
    std::string l;
    if (r.options & OptCompress)
        l += "-z3 ";
    if (r.options & OptRepository)
        l += "-d %cvsroot%";
    if (r.options & OptN)
        l += l.empty() ? "-N " : " -N ";
    l += r.templateText;
    const std::string remote = r.remote;
    if ((r.options & OptStatusX) && !ModelHasPserver(remote))
        l += " -X";
    if ((r.options & OptReleaseTag) && ModelHasPserver(remote))
        l += " Import";
    const bool noProject = std::string(r.project).find_first_not_of(" \t") == std::string::npos;
    if (noProject && ModelFind(l, "%proj%", 0) != std::string::npos)
        return BuildResult::ProjectMissing;
    std::string url = remote;
    if ((r.options & OptFileUrl) && ModelFind(url, "\\", 0) != std::string::npos) {
        url = "file:///" + url;
        for (size_t i = 0; i < url.size(); i += Step(url, i))
            if (url[i] == '\\')
                url[i] = '/';
    }
    std::string release = r.tag;
    if (ModelIsLatest(release)) {
        if (r.options & OptNeedTag)
            return BuildResult::TagMissing;
        release.clear();
    } else if (r.options & OptRevision) {
        release = "-r " + release;
    }
    const struct {
        const char* placeholder;
        std::string value;
        bool path;
    } steps[] = { { "%proj%", r.project, true }, { "%cvsroot%", url, true }, { "%rel%", release, false },
                  { "%dir%", r.local, true } };
    // Each blank-separated word of the template is one argument; one that a
    // folder or project with a blank or tab flowed into is quoted, unless it
    // holds a double quote. "<client>" <line> may not pass 32,767 UTF-16 units, terminator included.
    line->clear();
    size_t start = 0;
    for (;;) {
        size_t end = l.find(' ', start);
        std::string word = l.substr(start, end == std::string::npos ? std::string::npos : end - start);
        bool blank = false;
        for (const auto& step : steps) {
            if (ModelFind(word, step.placeholder, 0) == std::string::npos)
                continue;
            blank |= step.path && step.value.find_first_of(" \t") != std::string::npos;
            word = ModelReplace(word, step.placeholder, step.value);
        }
        if (blank && word.find('"') == std::string::npos) {
            size_t backslashes = 0;
            for (size_t i = 0; i < word.size(); i += Step(word, i))
                backslashes = word[i] == '\\' ? backslashes + 1 : 0;
            word = "\"" + word + std::string(backslashes, '\\') + "\"";
        }
        *line += (start ? " " : "") + word;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    const size_t client = r.system == SourceSystem::Cvs || !(r.options & OptAdmin) ? 12 : 17; // C:\Q\svn.exe
    const int units = MultiByteToWideChar(CP_ACP, 0, line->c_str(), -1, nullptr, 0) - 1;
    return client + units + 4 > 32767 ? BuildResult::LineTooLong : BuildResult::Ok;
}

struct Generator {
    std::mt19937 random;
    explicit Generator(unsigned seed) : random(seed) {}

    unsigned Below(unsigned n) { return random() % n; }

    std::string Field()
    {
        static const char* const pieces[] = { "%proj%", "%cvsroot%", "%rel%", "%dir%", "%pro", "j%", "%", "\\",
                                              "\"", " ", "latest", "LaTeSt", ":pserver:", ":PSERVER:", "X:",
                                              "/", "a", "Z", "9", "_" };
        std::string s;
        const unsigned length = Below(4) == 0 ? 259 : Below(260);
        while (s.size() < length) {
            switch (Below(4)) {
            case 0: { // a double-byte character, often with a backslash as trail byte
                unsigned lead = Below(2) ? 0x81 + Below(0x1F) : 0xE0 + Below(0x1D);
                unsigned trail = Below(3) == 0 ? 0x5C : 0x40 + Below(0xBD);
                s += static_cast<char>(lead);
                s += static_cast<char>(trail == 0x7F ? 0x80 : trail);
                break;
            }
            case 1:
                s += static_cast<char>(0x20 + Below(0xE0)); // any single byte but NUL and controls
                break;
            default:
                s += pieces[Below(sizeof(pieces) / sizeof(pieces[0]))];
            }
        }
        s.resize(std::min<size_t>(s.size(), 259)); // may cut a double-byte character in half
        return s;
    }
};

// Where two texts part, briefly: the full texts are too long to print.
std::string Parting(const std::string& got, const std::string& want)
{
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    auto hex = [](const std::string& s, size_t from) {
        std::string out;
        char b[4];
        for (size_t k = from; k < s.size() && k < from + 16; ++k) {
            snprintf(b, sizeof(b), "%02X ", static_cast<unsigned char>(s[k]));
            out += b;
        }
        return out;
    };
    size_t from = i > 8 ? i - 8 : 0;
    return "lengths " + std::to_string(got.size()) + "/" + std::to_string(want.size()) + ", apart at " +
           std::to_string(i) + ": got " + hex(got, from) + "| want " + hex(want, from);
}

void ExpectSound(const TextBuf& t)
{
    ASSERT_NE(t.Data(), nullptr);
    EXPECT_EQ(t.Size(), t.Length() + 1);
    EXPECT_EQ(static_cast<int>(strlen(t.Data())), t.Length());
    EXPECT_LE(t.Size(), t.Capacity());
}

TEST(Sweep, CompositionMatchesTheModel)
{
    Generator g(20261207);
    for (int n = 0; n < 20000; ++n) {
        const std::string project = g.Below(6) ? g.Field() : "";
        const std::string remote = g.Field(), tag = g.Below(5) ? g.Field() : "latest", local = g.Field();
        const Operation op = static_cast<Operation>(g.Below(6));
        const SourceSystem system = g.Below(2) ? SourceSystem::Cvs : SourceSystem::Svn;
        unsigned options = 0;
        const char* templ = CommandBuilder::Template(op, system, &options);
        OperationRequest request = { system, templ, options, project.c_str(), remote.c_str(), tag.c_str(),
                                     local.c_str() };
        std::string expected;
        const BuildResult want = ModelBuild(request, &expected);
        ClientCommand command;
        const BuildResult got = CommandBuilder::Build(request, "C:\\Q\\", &command);
        ASSERT_EQ(got, want) << "case " << n;
        if (got != BuildResult::Ok)
            continue;
        ExpectSound(command.parameters);
        const std::string line = command.parameters.Data();
        ASSERT_TRUE(line == expected) << "case " << n << ": " << Parting(line, expected);
        EXPECT_EQ(std::string(command.directory.Data()), local);
    }
}

TEST(Sweep, TextOperationsKeepTheirInvariants)
{
    Generator g(4711);
    for (int n = 0; n < 3000; ++n) {
        TextBuf t(static_cast<int>(g.Below(40)));
        std::string model;
        for (int k = 0; k < 30; ++k) {
            const std::string s = g.Field().substr(0, g.Below(60));
            switch (g.Below(7)) {
            case 0:
                t.Assign(s.c_str());
                model = s;
                break;
            case 1:
                t.Append(s.c_str());
                model += s;
                break;
            case 2: {
                int pos = static_cast<int>(g.Below(80)) - 10;
                t.Insert(pos, s.c_str());
                model.insert(std::min<size_t>(std::max(pos, 0), model.size()), s);
                break;
            }
            case 3: {
                int pos = static_cast<int>(g.Below(80)) - 10;
                t.Truncate(pos);
                model.resize(std::min<size_t>(std::max(pos, 0), model.size()));
                break;
            }
            case 4: {
                const char* finds[] = { "%proj%", "%", "\\", "a", "\x95\x5c" };
                const char* find = finds[g.Below(5)];
                t.Replace(find, s.c_str());
                model = ModelReplace(model, find, s);
                break;
            }
            case 5:
                t.AppendChar('x');
                model += 'x';
                break;
            default:
                t.Format("%s|%d", s.c_str(), k);
                model = s + "|" + std::to_string(k);
            }
            ExpectSound(t);
            ASSERT_TRUE(t.Data() == model) << "case " << n << " step " << k << ": " << Parting(t.Data(), model);
        }
    }
}

} // namespace

// Composition cost: every operation line of both systems, built again and
// again with 259-character fields, against plain copies of the same bytes.
#include "vcs/CommandBuilder.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? atoi(argv[1]) : 100000;
    char project[260], remote[260], tag[260], local[260];
    memset(project, 'p', 259);
    memset(remote, 'r', 259);
    memset(tag, 't', 259);
    memset(local, 'l', 259);
    project[259] = remote[259] = tag[259] = local[259] = 0;
    remote[1] = ':';
    remote[2] = '\\';

    struct Job {
        OperationRequest request;
        char line[2048];
        size_t length;
    } jobs[12];
    int n = 0;
    for (int op = 0; op < 6; ++op) {
        for (int s = 0; s < 2; ++s) {
            SourceSystem system = s ? SourceSystem::Svn : SourceSystem::Cvs;
            unsigned options;
            const char* templ = CommandBuilder::Template(static_cast<Operation>(op), system, &options);
            jobs[n].request = { system, templ, options, project, remote, tag, local };
            ClientCommand c;
            if (CommandBuilder::Build(jobs[n].request, "C:\\Program Files\\Quillmoor\\", &c) != BuildResult::Ok)
                return 1;
            jobs[n].length = c.parameters.Length() + 1;
            memcpy(jobs[n].line, c.parameters.Data(), jobs[n].length);
            ++n;
        }
    }

    LARGE_INTEGER freq, t0, t1, t2;
    QueryPerformanceFrequency(&freq);
    volatile size_t sink = 0;

    QueryPerformanceCounter(&t0);
    for (int r = 0; r < rounds; ++r) {
        for (int j = 0; j < n; ++j) {
            // A fresh buffer per copy, as Build makes fresh texts.
            char* copy = static_cast<char*>(malloc(jobs[j].length));
            memcpy(copy, jobs[j].line, jobs[j].length);
            sink = sink + copy[jobs[j].length / 2];
            free(copy);
        }
    }
    QueryPerformanceCounter(&t1);
    for (int r = 0; r < rounds; ++r) {
        for (int j = 0; j < n; ++j) {
            ClientCommand c;
            CommandBuilder::Build(jobs[j].request, "C:\\Program Files\\Quillmoor\\", &c);
            sink = sink + c.parameters.Length();
        }
    }
    QueryPerformanceCounter(&t2);

    double calls = double(rounds) * n;
    double copyNs = Seconds(t0, t1, freq) * 1e9 / calls;
    double buildNs = Seconds(t1, t2, freq) * 1e9 / calls;
    printf("compose: %d lines x %d rounds\n", n, rounds);
    printf("  baseline copy   %9.1f ns per line\n", copyNs);
    printf("  Build           %9.1f ns per line\n", buildNs);
    printf("  ratio           %9.1f x\n", buildNs / copyNs);
    return sink == 0xFFFFFFFF;
}

// Composition cost: every operation line of both systems, built again and
// again with 259-character fields, against plain copies of the same bytes.
#include "Measure.h"
#include "vcs/CommandBuilder.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

int main(int argc, char** argv)
{
    // Rounds in all; without an argument, as many as fit in about two seconds.
    int rounds = argc > 1 ? atoi(argv[1]) : 0;
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

    if (rounds <= 0) {
        double t0 = NowMs();
        int probe = 0;
        while (NowMs() - t0 < 100) {
            for (int j = 0; j < n; ++j) {
                ClientCommand c;
                CommandBuilder::Build(jobs[j].request, "C:\\Program Files\\Quillmoor\\", &c);
            }
            ++probe;
        }
        rounds = probe * 20;
    }

    // Several repetitions, each timing the copies and then the builds, so that
    // a burst of load on the machine spoils one repetition and not the median.
    const int repetitions = 7;
    const int perRepetition = rounds / repetitions > 0 ? rounds / repetitions : 1;
    volatile size_t sink = 0;
    std::vector<double> copyTimes, buildTimes;
    for (int rep = 0; rep < repetitions; ++rep) {
        double t0 = NowMs();
        for (int r = 0; r < perRepetition; ++r) {
            for (int j = 0; j < n; ++j) {
                // A fresh buffer per copy, as Build makes fresh texts.
                char* copy = static_cast<char*>(malloc(jobs[j].length));
                memcpy(copy, jobs[j].line, jobs[j].length);
                sink = sink + copy[jobs[j].length / 2];
                free(copy);
            }
        }
        double t1 = NowMs();
        for (int r = 0; r < perRepetition; ++r) {
            for (int j = 0; j < n; ++j) {
                ClientCommand c;
                CommandBuilder::Build(jobs[j].request, "C:\\Program Files\\Quillmoor\\", &c);
                sink = sink + c.parameters.Length();
            }
        }
        double t2 = NowMs();
        const double calls = double(perRepetition) * n;
        copyTimes.push_back((t1 - t0) * 1e6 / calls);
        buildTimes.push_back((t2 - t1) * 1e6 / calls);
    }

    const double copyNs = Median(copyTimes), buildNs = Median(buildTimes);
    printf("compose: %d lines x %d rounds (median of %d)\n", n, perRepetition * repetitions, repetitions);
    printf("  baseline copy   %9.1f ns per line\n", copyNs);
    printf("  Build           %9.1f ns per line\n", buildNs);
    printf("  ratio           %9.1f x\n", buildNs / copyNs);
    return sink == 0xFFFFFFFF;
}

// The folder sizes a benchmark runs at, from its --files=N[,N...] argument.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

/// Takes --files=N[,N...] out of the arguments, leaving the rest to Google Benchmark; 10,000 and
/// 100,000 files without it. A count that is not a positive number ends `program` with status 2.
inline std::vector<int> takeSizes(int& argc, char** argv, const char* program) {
    std::vector<int> sizes;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        static constexpr char flag[] = "--files=";
        if (std::strncmp(argv[i], flag, sizeof flag - 1) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        for (const QByteArray& size : QByteArray(argv[i] + sizeof flag - 1).split(',')) {
            bool ok = false;
            const int n = size.toInt(&ok);
            if (!ok || n < 1) {
                std::fprintf(stderr, "%s: --files wants positive counts: %s\n", program, argv[i]);
                std::exit(2);
            }
            sizes.push_back(n);
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    if (sizes.empty())
        sizes = {10000, 100000};
    return sizes;
}

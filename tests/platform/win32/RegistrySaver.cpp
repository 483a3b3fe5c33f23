#include <cstdio>
#include <cstdlib>

#include "support/SaveRounds.h"

// A copy of the game saving first, first + 1, ... last, printing each save
// that has returned; it ends with 1 when a save fails.
int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    for (int k = std::atoi(argv[1]); k <= std::atoi(argv[2]); ++k) {
        if (!tw::test::Save(k)) {
            return 1;
        }
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
    return 0;
}

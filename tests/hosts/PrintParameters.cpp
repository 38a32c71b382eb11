// Prints each parameter's name and state key, one parameter per line separated by a tab, from the
// parameter records: what the scripts that check a format's data compare it with.

#include <processor/ParameterTable.h>

#include <cstdio>

int main()
{
    for (const auto& p : zvparams::table)
        std::printf("%s\t%s\n", p.name, p.stateKey);
    return 0;
}

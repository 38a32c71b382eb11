// Prints each parameter's name, state key and default value (as the saved documents write it),
// one parameter per line separated by tabs, from the parameter records: what the scripts that
// check a format's data compare it with.

#include <processor/ParameterTable.h>

#include <cstdio>

int main()
{
    for (const auto& p : zvparams::table)
        std::printf("%s\t%s\t%g\n", p.name, p.stateKey, (double)p.defaultValue);
    return 0;
}

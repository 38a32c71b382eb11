#pragma once

#include "Options.h"

namespace zvrender
{
/// Renders every input into the output folder (options.outDir) as NAME.wav with the same
/// settings, several files at once, under one progress bar. A file that fails does not stop the
/// others; once they are done, throws RenderError naming each file that failed and why.
void renderBatch(const Options& options);
} // namespace zvrender

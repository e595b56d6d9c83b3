#pragma once

// The render and write subcommands of dng-tool; argv[1] is the subcommand.
int RunRenderCommand(int argc, char** argv);
int RunWriteCommand(int argc, char** argv);

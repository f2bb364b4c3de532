// The orvane-cli commands. Each returns the process exit code.
#pragma once

namespace orv::cli {

int checkCommand(int argc, char** argv);       // check FILE
int dumpCommand(int argc, char** argv);        // dump FILE
int runCommand(int argc, char** argv);         // run FILE [options]
int debugCommand(int argc, char** argv);       // debug FILE [--break LINE]... [options]
int syntaxCommand(int argc, char** argv);      // syntax [STATEMENT]
int hookreplayCommand(int argc, char** argv);  // hookreplay EVENTS
int recordCommand(int argc, char** argv);      // record FILE

}  // namespace orv::cli

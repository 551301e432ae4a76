#include "driver/usage.h"

namespace unv2tessal {

const std::string_view kUsage =
    "Usage: unv2tessal [FILE...]\n"
    "       unv2tessal < ANSWERS\n"
    "       unv2tessal --help | --version\n"
    "\n"
    "Converts an IDEAS universal file (*.unv: its nodes 2411, elements 2412\n"
    "and groups 2435) into the text files of the TESSAL flow solver: a vertex\n"
    "file, a connectivity file, a grid command file and an element\n"
    "renumbering map.\n"
    "\n"
    "It asks its questions on the console (the input file, each output file,\n"
    "renumbering, the grid dimension) and reads each reply as one line of\n"
    "standard input, so a file of answers drives it just as well. A file\n"
    "name reply may hold up to 64 characters. FILE names the input when the\n"
    "reply to the first question is empty.\n"
    "\n"
    "Options (first argument only):\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status: 0 after a conversion; after a failure, the number of the\n"
    "one-line report on standard error (24 end of file, 29 file not found,\n"
    "43 file name error, 64 input conversion error, 200 interrupted, ...).\n"
    "\n"
    "Check a mesh before converting it with 'unvcheck FILE'. The manual page,\n"
    "'man unv2tessal', shows the whole dialogue and every report.\n";

}  // namespace unv2tessal

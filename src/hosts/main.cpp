// quillbox: the program. Started directly it opens its browser window with the notes pane.
#include "hosts/ProgramStart.h"

int main(int argc, char** argv) { return ProgramStart::Run(argc, argv); }

// zorbscw, the script player: runs a ZorbScript file.
#include "script/zscript.h"

int main(int argc, char **argv)
{
    return ZorbScriptMain(argc, argv);
}

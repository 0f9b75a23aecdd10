/* The script player zorbscw as a library: the ZorbScript interpreter with
   its window, sound and file commands. */
#ifndef ZORB_SCRIPT_ZSCRIPT_H
#define ZORB_SCRIPT_ZSCRIPT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Runs the program on its command line (argv[0] is the program): the script
   named first (".zs" added when it has no extension; "autoexec.zs" when none
   is named), the rest of the line for SYSTEMCOMMANDLINE, "/#N" the front end
   to report to. Returns the exit status: 0 the script ran, 1 a script error
   (reported on standard error), 2 usage. */
int ZorbScriptMain(int argc, char **argv);

#ifdef __cplusplus
}
#endif

#endif

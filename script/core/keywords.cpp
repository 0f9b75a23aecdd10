// The keyword table: every command of the language, sorted by its bytes, with
// its handler. A record stores the index of its keyword here.
#include "script/core/commands.h"
#include "script/core/interp.h"

namespace zscript {

const Keyword kKeywords[kKeywordCount] = {
    {"ANIMATIONADVANCE", CmdAnimationAdvance},
    {"ANIMATIONADVANCENOPALETTE", CmdAnimationAdvanceNoPalette},
    {"ANIMATIONBACKTOSTART", CmdAnimationBackToStart},
    {"ANIMATIONCLOSE", CmdAnimationClose},
    {"ANIMATIONDELAY", CmdAnimationDelay},
    {"ANIMATIONFRAMES", CmdAnimationFrames},
    {"ANIMATIONGOTO", CmdAnimationGoto},
    {"ANIMATIONHEIGHT", CmdAnimationHeight},
    {"ANIMATIONLIST", CmdAnimationList},
    {"ANIMATIONLOADTOBITMAP", CmdAnimationLoadToBitmap},
    {"ANIMATIONOPEN", CmdAnimationOpen},
    {"ANIMATIONPLAY", CmdAnimationPlay},
    {"ANIMATIONSTILLDELAY", CmdAnimationStillDelay},
    {"ANIMATIONTOBITMAP", CmdAnimationToBitmap},
    {"ANIMATIONTOSCREEN", CmdAnimationToScreen},
    {"ANIMATIONTRACKS", CmdAnimationTracks},
    {"ANIMATIONWIDTH", CmdAnimationWidth},
    {"BITMAPALLOC", CmdBitmapalloc},
    {"BITMAPBOX", CmdBitmapbox},
    {"BITMAPCHANGECOLOR", CmdBitmapchangecolor},
    {"BITMAPCLEAR", CmdBitmapclear},
    {"BITMAPFADEINPALETTE", CmdBitmapfadeinpalette},
    {"BITMAPFILLEDBOX", CmdBitmapfilledbox},
    {"BITMAPFREE", CmdBitmapfree},
    {"BITMAPFROMSCREEN", CmdBitmapfromscreen},
    {"BITMAPGETBRIGHTESTPALETTEINDEX", CmdBitmapgetbrightestpaletteindex},
    {"BITMAPGETDARKESTPALETTEINDEX", CmdBitmapgetdarkestpaletteindex},
    {"BITMAPGETPALETTE", CmdBitmapgetpalette},
    {"BITMAPGETPALETTEVALUE", CmdBitmapgetpalettevalue},
    {"BITMAPGETPIXEL", CmdBitmapgetpixel},
    {"BITMAPHEIGHT", CmdBitmapheight},
    {"BITMAPLINE", CmdBitmapline},
    {"BITMAPLIST", CmdBitmaplist},
    {"BITMAPPALETTETOPALETTE", CmdBitmappalettetopalette},
    {"BITMAPSETPALETTE", CmdBitmapsetpalette},
    {"BITMAPSETPALETTEVALUE", CmdBitmapsetpalettevalue},
    {"BITMAPSETPIXEL", CmdBitmapsetpixel},
    {"BITMAPTEXT", CmdBitmaptext},
    {"BITMAPTOBITMAP", CmdBitmaptobitmap},
    {"BITMAPTOBITMAPMASK", CmdBitmaptobitmapmask},
    {"BITMAPTOBITMAPMERGE", CmdBitmaptobitmapmerge},
    {"BITMAPTOBITMAPTRANS", CmdBitmaptobitmaptrans},
    {"BITMAPTOSCREEN", CmdBitmaptoscreen},
    {"BITMAPTOSCREENMASK", CmdBitmaptoscreenmask},
    {"BITMAPTOSCREENMERGE", CmdBitmaptoscreenmerge},
    {"BITMAPTOSCREENTRANS", CmdBitmaptoscreentrans},
    {"BITMAPWIDTH", CmdBitmapwidth},
    {"CALL", CmdCall},
    {"CALLANDGOSUB", CmdCallAndGosub},
    {"COMPUTE", CmdCompute},
    {"COMPUTEABS", CmdComputeAbs},
    {"COMPUTESQRT", CmdComputeSqrt},
    {"DEBUGFILE", CmdDebugFile},
    {"DEBUGTEXT", CmdDebugText},
    {"DELAY", CmdDelay},
    {"DELAYUNTIL", CmdDelayuntil},
    {"DIRCHANGE", CmdDirchange},
    {"DIRCURRENT", CmdDircurrent},
    {"DIREXISTS", CmdDirexists},
    {"DIRMAKE", CmdDirmake},
    {"DIRREMOVE", CmdDirremove},
    {"DRIVEAVAIL", CmdDriveavail},
    {"DRIVESIZE", CmdDrivesize},
    {"END", CmdEnd},
    {"ENVGET", CmdEnvget},
    {"ENVSET", CmdEnvset},
    {"EXECUTE", CmdExecute},
    {"EXIT", CmdExit},
    {"FILEAPPEND", CmdFileappend},
    {"FILECDROM", CmdFilecdrom},
    {"FILECLOSE", CmdFileclose},
    {"FILECOPY", CmdFilecopy},
    {"FILECREATE", CmdFilecreate},
    {"FILEDELETE", CmdFiledelete},
    {"FILEEOF", CmdFileeof},
    {"FILEEXISTS", CmdFileexists},
    {"FILEFIND", CmdFilefind},
    {"FILEFINDNEXT", CmdFilefindnext},
    {"FILEFULLPATH", CmdFilefullpath},
    {"FILEGETATTRIB", CmdFilegetattrib},
    {"FILELIST", CmdFilelist},
    {"FILEOPEN", CmdFileopen},
    {"FILEPIECES", CmdFilepieces},
    {"FILEREAD", CmdFileread},
    {"FILEREMOTE", CmdFileremote},
    {"FILEREMOVABLE", CmdFileremovable},
    {"FILERENAME", CmdFilerename},
    {"FILESETATTRIB", CmdFilesetattrib},
    {"FILESIZE", CmdFilesize},
    {"FILETEMP", CmdFiletemp},
    {"FILEWRITE", CmdFilewrite},
    {"GOSUB", CmdGosub},
    {"GOTO", CmdGoto},
    {"IF", CmdIf},
    {"IFSET", CmdIfSet},
    {"INPUTCHAR", CmdInputchar},
    {"INPUTCHARORDELAY", CmdInputcharordelay},
    {"INPUTMSGWIN", CmdInputmsgwin},
    {"INPUTSTR", CmdInputstr},
    {"INPUTSTRWIN", CmdInputstrwin},
    {"INTERPRET", CmdInterpret},
    {"MCISENDSTRING", CmdMcisendstring},
    {"MOUSEADD", CmdMouseadd},
    {"MOUSEAREA", CmdMousearea},
    {"MOUSEMODE", CmdMousemode},
    {"MOUSEPOP", CmdMousepop},
    {"MOUSEPRESENT", CmdMousepresent},
    {"MOUSEPUSHANDREMOVEALL", CmdMousepushandremoveall},
    {"MOUSEREMOVE", CmdMouseremove},
    {"MOUSEREMOVEALL", CmdMouseremoveall},
    {"MOUSESETXY", CmdMousesetxy},
    {"MOUSEX", CmdMousex},
    {"MOUSEY", CmdMousey},
    {"PRINTBEGIN", CmdPrintbegin},
    {"PRINTEND", CmdPrintend},
    {"PRINTPAGEADV", CmdPrintpageadv},
    {"RANDOM", CmdRandom},
    {"RANDOMIZE", CmdRandomize},
    {"RETURN", CmdReturn},
    {"SCREENADJUSTXY", CmdScreenadjustxy},
    {"SCREENBOX", CmdScreenbox},
    {"SCREENCLEAR", CmdScreenclear},
    {"SCREENFADEOUTCLEAR", CmdScreenfadeoutclear},
    {"SCREENFADESPEED", CmdScreenfadespeed},
    {"SCREENFILLEDBOX", CmdScreenfilledbox},
    {"SCREENFORCEPALETTEZEROBLACK", CmdScreenforcepalettezeroblack},
    {"SCREENGETBRIGHTESTPALETTEINDEX", CmdScreengetbrightestpaletteindex},
    {"SCREENGETDARKESTPALETTEINDEX", CmdScreengetdarkestpaletteindex},
    {"SCREENGETPIXEL", CmdScreengetpixel},
    {"SCREENGRAPHICS", CmdScreengraphics},
    {"SCREENHEIGHT", CmdScreenheight},
    {"SCREENINFO", CmdScreeninfo},
    {"SCREENLINE", CmdScreenline},
    {"SCREENPALETTELOCK", CmdScreenpalettelock},
    {"SCREENSETPIXEL", CmdScreensetpixel},
    {"SCREENSETTINGS", CmdScreensettings},
    {"SCREENTEXT", CmdScreentext},
    {"SCREENWIDTH", CmdScreenwidth},
    {"SCREENWINDOWAUTOPAUSE", CmdScreenwindowautopause},
    {"SCREENWINDOWBORDER", CmdScreenwindowborder},
    {"SCREENWINDOWHASFOCUS", CmdScreenwindowhasfocus},
    {"SCREENWINDOWHPAL", CmdScreenwindowhpal},
    {"SCREENWINDOWHWND", CmdScreenwindowhwnd},
    {"SCREENWINDOWPOS", CmdScreenwindowpos},
    {"SCREENWINDOWTITLE", CmdScreenwindowtitle},
    {"SOUND", CmdSound},
    {"STRADDBACKSLASH", CmdStraddbackslash},
    {"STRFIND", CmdStrfind},
    {"STRFIRST", CmdStrfirst},
    {"STRISLABEL", CmdStrislabel},
    {"STRISNUMERIC", CmdStrisnumeric},
    {"STRLCASE", CmdStrlcase},
    {"STRLENGTH", CmdStrlength},
    {"STRLPAD", CmdStrlpad},
    {"STRLPADZERO", CmdStrlpadzero},
    {"STRPIECE", CmdStrpiece},
    {"STRREPEAT", CmdStrrepeat},
    {"STRRPAD", CmdStrrpad},
    {"STRTRIM", CmdStrtrim},
    {"STRUCASE", CmdStrucase},
    {"SYSTEMCOLORS", CmdSystemcolors},
    {"SYSTEMCOMMANDLINE", CmdSystemcommandline},
    {"SYSTEMCURRENTEXE", CmdSystemcurrentexe},
    {"SYSTEMCURRENTSCRIPT", CmdSystemcurrentscript},
    {"SYSTEMDATETIME", CmdSystemdatetime},
    {"SYSTEMDISPLAYRESOLUTION", CmdSystemdisplayresolution},
    {"SYSTEMMEMORY", CmdSystemmemory},
    {"SYSTEMOSMAJOR", CmdSystemosmajor},
    {"SYSTEMOSMINOR", CmdSystemosminor},
    {"SYSTEMPLATFORM", CmdSystemplatform},
    {"SYSTEMTIMER", CmdSystemtimer},
    {"SYSTEMUSEDIRECTSOUND", CmdSystemusedirectsound},
    {"SYSTEMUSEMMX", CmdSystemusemmx},
    {"TEXT", CmdText},
    {"TEXTBACKCOLOR", CmdTextbackcolor},
    {"TEXTBEGIN", CmdTextbegin},
    {"TEXTCOLOR", CmdTextcolor},
    {"TEXTFONTFROMBITMAP", CmdTextfontfrombitmap},
    {"TEXTNOCR", CmdTextnocr},
    {"TEXTSETXY", CmdTextsetxy},
    {"TEXTTRANSCOLOR", CmdTexttranscolor},
    {"TEXTX", CmdTextx},
    {"TEXTY", CmdTexty},
    {"VARFREE", CmdVarFree},
    {"VARLIST", CmdVarList},
    {"VARPOP", CmdVarPop},
    {"VARPUSH", CmdVarPush},
    {"VARSET", CmdVarSet},
};

namespace {

// Byte order of two NUL-terminated texts (as strcmp, inline: the lookup runs
// for every command taken from a line).
inline int Order(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

} // namespace

int FindKeyword(const char *candidate)
{
    // The range of keywords starting with each letter narrows the search.
    struct Ranges {
        int16_t first[27], last[27];
        Ranges()
        {
            for (int i = 0; i < 27; ++i) {
                first[i] = 0;
                last[i] = -1;
            }
            for (int k = 0; k < kKeywordCount; ++k) {
                const int c = kKeywords[k].name[0] - 'A';
                if (last[c] < 0)
                    first[c] = static_cast<int16_t>(k);
                last[c] = static_cast<int16_t>(k);
            }
        }
    };
    static const Ranges ranges;
    const int c = candidate[0] - 'A';
    if (c < 0 || c >= 26)
        return -1;
    int low = ranges.first[c], high = ranges.last[c];
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = Order(candidate, kKeywords[middle].name);
        if (order == 0)
            return middle;
        if (order < 0)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return -1;
}

} // namespace zscript

// Internal: the command handlers of every family, as the keyword table lists
// them, and small helpers the families share.
#ifndef ZORB_SCRIPT_CORE_COMMANDS_H
#define ZORB_SCRIPT_CORE_COMMANDS_H

#include <cstdint>
#include <string_view>

namespace zscript {

struct Interp;

// Commands of families this version does not have yet: they stop the run
// with "  Command not available in this version:" rather than do nothing.
void CmdNotBuilt(Interp &in);

// A line of a listing command (VARLIST, FILELIST): into the trace file when
// tracing, else at the text cursor.
void ListLine(Interp &in, std::string_view text);

uint32_t IntegerSquareRoot(uint32_t n);

void CmdAnimationAdvance(Interp &in);
void CmdAnimationAdvanceNoPalette(Interp &in);
void CmdAnimationBackToStart(Interp &in);
void CmdAnimationClose(Interp &in);
void CmdAnimationDelay(Interp &in);
void CmdAnimationFrames(Interp &in);
void CmdAnimationGoto(Interp &in);
void CmdAnimationHeight(Interp &in);
void CmdAnimationList(Interp &in);
void CmdAnimationLoadToBitmap(Interp &in);
void CmdAnimationOpen(Interp &in);
void CmdAnimationPlay(Interp &in);
void CmdAnimationStillDelay(Interp &in);
void CmdAnimationToBitmap(Interp &in);
void CmdAnimationToScreen(Interp &in);
void CmdAnimationTracks(Interp &in);
void CmdAnimationWidth(Interp &in);
// Closes every open animation (end of the run).
void CloseAnimations(Interp &in);
void CmdCall(Interp &in);
void CmdCallAndGosub(Interp &in);
void CmdCompute(Interp &in);
void CmdComputeAbs(Interp &in);
void CmdComputeSqrt(Interp &in);
void CmdDebugFile(Interp &in);
void CmdDebugText(Interp &in);
void CmdDirchange(Interp &in);
void CmdDircurrent(Interp &in);
void CmdDirexists(Interp &in);
void CmdDirmake(Interp &in);
void CmdDirremove(Interp &in);
void CmdDriveavail(Interp &in);
void CmdDrivesize(Interp &in);
void CmdEnd(Interp &in);
void CmdEnvget(Interp &in);
void CmdEnvset(Interp &in);
void CmdExecute(Interp &in);
void CmdExit(Interp &in);
void CmdFileappend(Interp &in);
void CmdFilecdrom(Interp &in);
void CmdFileclose(Interp &in);
void CmdFilecopy(Interp &in);
void CmdFilecreate(Interp &in);
void CmdFiledelete(Interp &in);
void CmdFileeof(Interp &in);
void CmdFileexists(Interp &in);
void CmdFilefind(Interp &in);
void CmdFilefindnext(Interp &in);
void CmdFilefullpath(Interp &in);
void CmdFilegetattrib(Interp &in);
void CmdFilelist(Interp &in);
void CmdFileopen(Interp &in);
void CmdFilepieces(Interp &in);
void CmdFileread(Interp &in);
void CmdFileremote(Interp &in);
void CmdFileremovable(Interp &in);
void CmdFilerename(Interp &in);
void CmdFilesetattrib(Interp &in);
void CmdFilesize(Interp &in);
void CmdFiletemp(Interp &in);
void CmdFilewrite(Interp &in);
void CmdGosub(Interp &in);
void CmdGoto(Interp &in);
void CmdIf(Interp &in);
void CmdIfSet(Interp &in);
void CmdInterpret(Interp &in);
void CmdMcisendstring(Interp &in);
void CmdPrintbegin(Interp &in);
void CmdPrintend(Interp &in);
void CmdPrintpageadv(Interp &in);
void CmdRandom(Interp &in);
void CmdRandomize(Interp &in);
void CmdReturn(Interp &in);
void CmdSound(Interp &in);
void CmdStraddbackslash(Interp &in);
void CmdStrfind(Interp &in);
void CmdStrfirst(Interp &in);
void CmdStrislabel(Interp &in);
void CmdStrisnumeric(Interp &in);
void CmdStrlcase(Interp &in);
void CmdStrlength(Interp &in);
void CmdStrlpad(Interp &in);
void CmdStrlpadzero(Interp &in);
void CmdStrpiece(Interp &in);
void CmdStrrepeat(Interp &in);
void CmdStrrpad(Interp &in);
void CmdStrtrim(Interp &in);
void CmdStrucase(Interp &in);
void CmdSystemcolors(Interp &in);
void CmdSystemcommandline(Interp &in);
void CmdSystemcurrentexe(Interp &in);
void CmdSystemcurrentscript(Interp &in);
void CmdSystemdatetime(Interp &in);
void CmdSystemdisplayresolution(Interp &in);
void CmdSystemmemory(Interp &in);
void CmdSystemosmajor(Interp &in);
void CmdSystemosminor(Interp &in);
void CmdSystemplatform(Interp &in);
void CmdSystemtimer(Interp &in);
void CmdSystemusedirectsound(Interp &in);
void CmdSystemusemmx(Interp &in);
void CmdText(Interp &in);
void CmdTextnocr(Interp &in);
void CmdVarFree(Interp &in);
void CmdVarList(Interp &in);
void CmdVarPop(Interp &in);
void CmdVarPush(Interp &in);
void CmdVarSet(Interp &in);

void CmdScreengraphics(Interp &in);
void CmdScreentext(Interp &in);
void CmdScreensettings(Interp &in);
void CmdScreenwindowborder(Interp &in);
void CmdScreenwindowtitle(Interp &in);
void CmdScreenwindowpos(Interp &in);
void CmdScreenwindowautopause(Interp &in);
void CmdScreenwindowhasfocus(Interp &in);
void CmdScreenwindowhwnd(Interp &in);
void CmdScreeninfo(Interp &in);
void CmdScreenwidth(Interp &in);
void CmdScreenheight(Interp &in);
void CmdScreenadjustxy(Interp &in);
void CmdScreenclear(Interp &in);
void CmdScreenfadespeed(Interp &in);
void CmdScreensetpixel(Interp &in);
void CmdScreengetpixel(Interp &in);
void CmdScreenbox(Interp &in);
void CmdScreenfilledbox(Interp &in);
void CmdScreenpalettelock(Interp &in);
void CmdScreenforcepalettezeroblack(Interp &in);
void CmdScreenwindowhpal(Interp &in);
void CmdScreenfadeoutclear(Interp &in);
void CmdTextcolor(Interp &in);
void CmdTextbackcolor(Interp &in);
void CmdTexttranscolor(Interp &in);
void CmdTextsetxy(Interp &in);
void CmdTextx(Interp &in);
void CmdTexty(Interp &in);
void CmdTextbegin(Interp &in);
void CmdTextfontfrombitmap(Interp &in);
void CmdScreenline(Interp &in);
void CmdScreengetdarkestpaletteindex(Interp &in);
void CmdScreengetbrightestpaletteindex(Interp &in);

void CmdBitmapalloc(Interp &in);
void CmdBitmapfree(Interp &in);
void CmdBitmapwidth(Interp &in);
void CmdBitmapheight(Interp &in);
void CmdBitmaplist(Interp &in);
void CmdBitmapclear(Interp &in);
void CmdBitmapchangecolor(Interp &in);
void CmdBitmapgetpixel(Interp &in);
void CmdBitmapsetpixel(Interp &in);
void CmdBitmapline(Interp &in);
void CmdBitmapbox(Interp &in);
void CmdBitmapfilledbox(Interp &in);
void CmdBitmaptext(Interp &in);
void CmdBitmapfadeinpalette(Interp &in);
void CmdBitmapgetpalette(Interp &in);
void CmdBitmapsetpalette(Interp &in);
void CmdBitmappalettetopalette(Interp &in);
void CmdBitmapgetpalettevalue(Interp &in);
void CmdBitmapsetpalettevalue(Interp &in);
void CmdBitmapgetdarkestpaletteindex(Interp &in);
void CmdBitmapgetbrightestpaletteindex(Interp &in);
void CmdBitmaptobitmap(Interp &in);
void CmdBitmaptobitmaptrans(Interp &in);
void CmdBitmaptobitmapmask(Interp &in);
void CmdBitmaptobitmapmerge(Interp &in);
void CmdBitmaptoscreen(Interp &in);
void CmdBitmaptoscreentrans(Interp &in);
void CmdBitmaptoscreenmask(Interp &in);
void CmdBitmaptoscreenmerge(Interp &in);
void CmdBitmapfromscreen(Interp &in);

// Input, mouse areas and waiting.
void CmdDelay(Interp &in);
void CmdDelayuntil(Interp &in);
void CmdInputchar(Interp &in);
void CmdInputcharordelay(Interp &in);
void CmdInputmsgwin(Interp &in);
void CmdInputstr(Interp &in);
void CmdInputstrwin(Interp &in);
void CmdMouseadd(Interp &in);
void CmdMousearea(Interp &in);
void CmdMousemode(Interp &in);
void CmdMousepop(Interp &in);
void CmdMousepresent(Interp &in);
void CmdMousepushandremoveall(Interp &in);
void CmdMouseremove(Interp &in);
void CmdMouseremoveall(Interp &in);
void CmdMousesetxy(Interp &in);
void CmdMousex(Interp &in);
void CmdMousey(Interp &in);

// The software pointer. Drawing commands put the screen under it back where
// it overlaps what they draw (RemovePointerOver, surface coordinates) or
// everywhere (RemovePointer); the next wait for input draws it again.
void RemovePointer(Interp &in);
void RemovePointerOver(Interp &in, int32_t x, int32_t y, int32_t width, int32_t height);
// Forgets the pointer: position -1 -1, the built-in image, nothing drawn.
void ResetPointer(Interp &in);
// A new screen: the current level's mouse areas go, the pointer is forgotten.
void PointerScreenOpened(Interp &in);

// The screen palette: copied where not locked / put on the display.
void SetScreenPalette(Interp &in, const uint8_t *rgb768);
void ApplyScreenPalette(Interp &in);
// Fades (16 steps, each followed by the SCREENFADESPEED wait): in towards a
// palette, ending with it exactly; out, every component down by 4 a step.
// Locked entries do not change.
void FadeInPalette(Interp &in, const uint8_t *rgb768);
void FadeOutPalette(Interp &in);
// Closes the window (a capture of the last picture first) and resets the text state.
void CloseScreen(Interp &in);

} // namespace zscript

#endif

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
void CmdDirChange(Interp &in);
void CmdDirCurrent(Interp &in);
void CmdDirExists(Interp &in);
void CmdDirMake(Interp &in);
void CmdDirRemove(Interp &in);
void CmdDriveAvail(Interp &in);
void CmdDriveSize(Interp &in);
void CmdEnd(Interp &in);
void CmdEnvGet(Interp &in);
void CmdEnvSet(Interp &in);
void CmdExecute(Interp &in);
void CmdExit(Interp &in);
void CmdFileAppend(Interp &in);
void CmdFileCdRom(Interp &in);
void CmdFileClose(Interp &in);
void CmdFileCopy(Interp &in);
void CmdFileCreate(Interp &in);
void CmdFileDelete(Interp &in);
void CmdFileEof(Interp &in);
void CmdFileExists(Interp &in);
void CmdFileFind(Interp &in);
void CmdFileFindNext(Interp &in);
void CmdFileFullPath(Interp &in);
void CmdFileGetAttrib(Interp &in);
void CmdFileList(Interp &in);
void CmdFileOpen(Interp &in);
void CmdFilePieces(Interp &in);
void CmdFileRead(Interp &in);
void CmdFileRemote(Interp &in);
void CmdFileRemovable(Interp &in);
void CmdFileRename(Interp &in);
void CmdFileSetAttrib(Interp &in);
void CmdFileSize(Interp &in);
void CmdFileTemp(Interp &in);
void CmdFileWrite(Interp &in);
void CmdGosub(Interp &in);
void CmdGoto(Interp &in);
void CmdIf(Interp &in);
void CmdIfSet(Interp &in);
void CmdInterpret(Interp &in);
void CmdMciSendString(Interp &in);
void CmdPrintBegin(Interp &in);
void CmdPrintEnd(Interp &in);
void CmdPrintPageAdv(Interp &in);
void CmdRandom(Interp &in);
void CmdRandomize(Interp &in);
void CmdReturn(Interp &in);
void CmdSound(Interp &in);
void CmdStrAddBackslash(Interp &in);
void CmdStrFind(Interp &in);
void CmdStrFirst(Interp &in);
void CmdStrIsLabel(Interp &in);
void CmdStrIsNumeric(Interp &in);
void CmdStrLcase(Interp &in);
void CmdStrLength(Interp &in);
void CmdStrLpad(Interp &in);
void CmdStrLpadZero(Interp &in);
void CmdStrPiece(Interp &in);
void CmdStrRepeat(Interp &in);
void CmdStrRpad(Interp &in);
void CmdStrTrim(Interp &in);
void CmdStrUcase(Interp &in);
void CmdSystemColors(Interp &in);
void CmdSystemCommandLine(Interp &in);
void CmdSystemCurrentExe(Interp &in);
void CmdSystemCurrentScript(Interp &in);
void CmdSystemDateTime(Interp &in);
void CmdSystemDisplayResolution(Interp &in);
void CmdSystemMemory(Interp &in);
void CmdSystemOsMajor(Interp &in);
void CmdSystemOsMinor(Interp &in);
void CmdSystemPlatform(Interp &in);
void CmdSystemTimer(Interp &in);
void CmdSystemUseDirectSound(Interp &in);
void CmdSystemUseMMX(Interp &in);
void CmdText(Interp &in);
void CmdTextNoCr(Interp &in);
void CmdVarFree(Interp &in);
void CmdVarList(Interp &in);
void CmdVarPop(Interp &in);
void CmdVarPush(Interp &in);
void CmdVarSet(Interp &in);

void CmdScreenGraphics(Interp &in);
void CmdScreenText(Interp &in);
void CmdScreenSettings(Interp &in);
void CmdScreenWindowBorder(Interp &in);
void CmdScreenWindowTitle(Interp &in);
void CmdScreenWindowPos(Interp &in);
void CmdScreenWindowAutoPause(Interp &in);
void CmdScreenWindowHasFocus(Interp &in);
void CmdScreenWindowHwnd(Interp &in);
void CmdScreenInfo(Interp &in);
void CmdScreenWidth(Interp &in);
void CmdScreenHeight(Interp &in);
void CmdScreenAdjustXY(Interp &in);
void CmdScreenClear(Interp &in);
void CmdScreenFadeSpeed(Interp &in);
void CmdScreenSetPixel(Interp &in);
void CmdScreenGetPixel(Interp &in);
void CmdScreenBox(Interp &in);
void CmdScreenFilledBox(Interp &in);
void CmdScreenPaletteLock(Interp &in);
void CmdScreenForcePaletteZeroBlack(Interp &in);
void CmdScreenWindowHpal(Interp &in);
void CmdScreenFadeOutClear(Interp &in);
void CmdTextColor(Interp &in);
void CmdTextBackColor(Interp &in);
void CmdTextTransColor(Interp &in);
void CmdTextSetXY(Interp &in);
void CmdTextX(Interp &in);
void CmdTextY(Interp &in);
void CmdTextBegin(Interp &in);
void CmdTextFontFromBitmap(Interp &in);
void CmdScreenLine(Interp &in);
void CmdScreenGetDarkestPaletteIndex(Interp &in);
void CmdScreenGetBrightestPaletteIndex(Interp &in);

void CmdBitmapAlloc(Interp &in);
void CmdBitmapFree(Interp &in);
void CmdBitmapWidth(Interp &in);
void CmdBitmapHeight(Interp &in);
void CmdBitmapList(Interp &in);
void CmdBitmapClear(Interp &in);
void CmdBitmapChangeColor(Interp &in);
void CmdBitmapGetPixel(Interp &in);
void CmdBitmapSetPixel(Interp &in);
void CmdBitmapLine(Interp &in);
void CmdBitmapBox(Interp &in);
void CmdBitmapFilledBox(Interp &in);
void CmdBitmapText(Interp &in);
void CmdBitmapFadeInPalette(Interp &in);
void CmdBitmapGetPalette(Interp &in);
void CmdBitmapSetPalette(Interp &in);
void CmdBitmapPaletteToPalette(Interp &in);
void CmdBitmapGetPaletteValue(Interp &in);
void CmdBitmapSetPaletteValue(Interp &in);
void CmdBitmapGetDarkestPaletteIndex(Interp &in);
void CmdBitmapGetBrightestPaletteIndex(Interp &in);
void CmdBitmapToBitmap(Interp &in);
void CmdBitmapToBitmapTrans(Interp &in);
void CmdBitmapToBitmapMask(Interp &in);
void CmdBitmapToBitmapMerge(Interp &in);
void CmdBitmapToScreen(Interp &in);
void CmdBitmapToScreenTrans(Interp &in);
void CmdBitmapToScreenMask(Interp &in);
void CmdBitmapToScreenMerge(Interp &in);
void CmdBitmapFromScreen(Interp &in);

// Input, mouse areas and waiting.
void CmdDelay(Interp &in);
void CmdDelayUntil(Interp &in);
void CmdInputChar(Interp &in);
void CmdInputCharOrDelay(Interp &in);
void CmdInputMsgWin(Interp &in);
void CmdInputStr(Interp &in);
void CmdInputStrWin(Interp &in);
void CmdMouseAdd(Interp &in);
void CmdMouseArea(Interp &in);
void CmdMouseMode(Interp &in);
void CmdMousePop(Interp &in);
void CmdMousePresent(Interp &in);
void CmdMousePushAndRemoveAll(Interp &in);
void CmdMouseRemove(Interp &in);
void CmdMouseRemoveAll(Interp &in);
void CmdMouseSetXY(Interp &in);
void CmdMouseX(Interp &in);
void CmdMouseY(Interp &in);

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

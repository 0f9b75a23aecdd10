// The keyword table of ZorbScript: every command of the language, sorted by
// its bytes (the interpreter's binary search needs that order), with its
// handler and its entry in the command reference (docs/script-reference.md,
// written from this table by zorb_refgen).
//
// ZS_KEYWORD(NAME, handler, family, parameters, what it does, what it sets,
//            errors, example)
//
// Parameters are written as `kind:meaning`, where kind is how the command reads
// the token: `name` a variable name (never evaluated), `number` a number (a word
// starting with a letter is a variable holding one), `value` any token (words
// are variables; quote literal text), `text` a value that must not be empty.
// The example is a whole script that runs headless in a directory holding the
// reference's sample files (demo.zbx, notes.txt, ding.wav, sub.zs).
//
// Include this file with ZS_KEYWORD defined; it is undefined again at the end.

// clang-format off

// ---- Animations -------------------------------------------------------------
ZS_KEYWORD(ANIMATIONADVANCE, CmdAnimationAdvance, "Animations",
    "number:animation",
    "Shows the current frame of an open animation where its output goes (screen or bitmap), taking the frame's "
    "palette (locked entries stay), and steps to the next frame. At the last frame of a file without a ring frame "
    "the frame stays current and the next ANIMATIONADVANCE first goes back to frame 1. Never waits: pace it with "
    "ANIMATIONDELAY.",
    "",
    "Bad animation parameter",
    "SCREENGRAPHICS ok 320 200\nANIMATIONOPEN a 0 'demo'\nANIMATIONTOSCREEN a -1 -1\nANIMATIONADVANCE a\n"
    "ANIMATIONDELAY a\nANIMATIONADVANCE a")
ZS_KEYWORD(ANIMATIONADVANCENOPALETTE, CmdAnimationAdvanceNoPalette, "Animations",
    "number:animation",
    "As ANIMATIONADVANCE, but the frame's palette is not taken: the screen (or bitmap) palette stays as it is.",
    "",
    "Bad animation parameter",
    "SCREENGRAPHICS ok 320 200\nANIMATIONOPEN a 0 'demo'\nANIMATIONTOSCREEN a 0 0\nANIMATIONADVANCENOPALETTE a")
ZS_KEYWORD(ANIMATIONBACKTOSTART, CmdAnimationBackToStart, "Animations",
    "number:animation",
    "Makes frame 1 the next frame shown.",
    "",
    "Bad animation parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONADVANCE a\nANIMATIONBACKTOSTART a\nANIMATIONCLOSE a")
ZS_KEYWORD(ANIMATIONCLOSE, CmdAnimationClose, "Animations",
    "number:animation",
    "Closes an open animation; its number becomes free.",
    "",
    "Bad animation parameter (also for 0, the result of a failed ANIMATIONOPEN)",
    "ANIMATIONOPEN a 0 'demo'\nIF a <> 0 ANIMATIONCLOSE a")
ZS_KEYWORD(ANIMATIONDELAY, CmdAnimationDelay, "Animations",
    "number:animation",
    "Waits until the next frame is due, by the file's frame rate or, when a sound track plays, by the sound.",
    "",
    "Bad animation parameter",
    "SCREENGRAPHICS ok 320 200\nANIMATIONOPEN a 0 'demo'\nANIMATIONTOSCREEN a 0 0\nANIMATIONFRAMES n a\n"
    ":NEXT\nANIMATIONADVANCE a\nANIMATIONDELAY a\nCOMPUTE n = n - 1\nIF n > 0 GOTO 'NEXT'")
ZS_KEYWORD(ANIMATIONFRAMES, CmdAnimationFrames, "Animations",
    "name:result number:animation",
    "Gives the number of frames of the file.",
    "the frame count",
    "Bad animation parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONFRAMES n a")
ZS_KEYWORD(ANIMATIONGOTO, CmdAnimationGoto, "Animations",
    "number:animation number:frame",
    "Makes the frame (counted from 1) the next one shown; the sound is silenced during the jump. Frames after the "
    "first are changes to the picture before them, so a jump shows whole pictures only in files coded whole.",
    "",
    "Bad animation parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONGOTO a 3")
ZS_KEYWORD(ANIMATIONHEIGHT, CmdAnimationHeight, "Animations",
    "name:result number:animation",
    "Gives the displayed height of the animation in pixels.",
    "the height",
    "Bad animation parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONHEIGHT h a")
ZS_KEYWORD(ANIMATIONLIST, CmdAnimationList, "Animations",
    "",
    "Writes one line \"Number: 3000  Name: intro  Width: 320  Height: 200\" for each open animation, at the text "
    "cursor, or into the trace file while DEBUGFILE traces.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nANIMATIONOPEN a 0 'demo'\nANIMATIONLIST")
ZS_KEYWORD(ANIMATIONLOADTOBITMAP, CmdAnimationLoadToBitmap, "Animations",
    "value:file name:bitmap...",
    "Decodes the file's frames 1, 2, 3, ... into new bitmaps, one per name, each a whole picture; the last name gets "
    "the bitmap that was allocated first. Only frames that bring a palette give their bitmap one. \".zbx\" is added "
    "to a name without extension.",
    "each name: its bitmap number (9000-9127), or 0 when the file cannot be opened or no bitmap is free",
    "",
    "ANIMATIONLOADTOBITMAP 'demo' first second third")
ZS_KEYWORD(ANIMATIONOPEN, CmdAnimationOpen, "Animations",
    "name:result number:flags value:file",
    "Opens a Zorblax file (\".zbx\" added when the name has no extension) into the first free animation slot. "
    "Flags: 1 never skip a late frame's picture, 2 read the whole file into memory first. The sound tracks chosen "
    "by ANIMATIONTRACKS play. Until ANIMATIONTOSCREEN or ANIMATIONTOBITMAP the animation decodes its sound only.",
    "the animation number (3000-3031), or 0 when the file cannot be opened or 32 are open",
    "",
    "ANIMATIONOPEN a 2 'demo'\nIF a = 0 VARSET problem 'demo.zbx cannot be opened'")
ZS_KEYWORD(ANIMATIONPLAY, CmdAnimationPlay, "Animations",
    "name:result number:x number:y number:loops number:flags text:animation-or-file",
    "Plays an open animation (its number) or a file (opened for the play and closed after it) at (x, y) plus the "
    "screen origin; -1 centres, other x are rounded down to a multiple of 4. Loops: how many times (0 nothing, "
    "negative until Escape). Flags (add them): 1, 2 as ANIMATIONOPEN; 4 as fast as frames decode; 8 decode off the "
    "screen (full-screen direct mode only); 16 save and restore the screen and palette under it; 32 fade in; 64 fade "
    "out after the last frame; 128 Escape ends the play; 256 merge over the screen, the transparent text colour "
    "showing through; 512 ignore the file's palettes; 1024 do not draw (no window needed). The last frame stays on "
    "the screen.",
    "1, or 0 when the file cannot be opened (nothing changes on the screen)",
    "A window hasn't been created yet (unless flag 1024); Bad animation parameter",
    "SCREENGRAPHICS ok 320 200\nANIMATIONPLAY r -1 -1 1 4 'demo'")
ZS_KEYWORD(ANIMATIONSTILLDELAY, CmdAnimationStillDelay, "Animations",
    "name:result number:animation",
    "Asks once whether the next frame is due yet, without waiting: a script can do other work between frames.",
    "nonzero while the next frame is not yet due, 0 when it is",
    "Bad animation parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONSTILLDELAY wait a")
ZS_KEYWORD(ANIMATIONTOBITMAP, CmdAnimationToBitmap, "Animations",
    "number:animation number:bitmap",
    "Makes a bitmap the animation's output: ANIMATIONADVANCE decodes into it (from its top-left corner), and the "
    "bitmap takes the palette of every frame that brings one.",
    "",
    "Bad animation parameter; Bad frame parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONWIDTH w a\nANIMATIONHEIGHT h a\nBITMAPALLOC b w h\n"
    "ANIMATIONTOBITMAP a b\nANIMATIONADVANCE a")
ZS_KEYWORD(ANIMATIONTOSCREEN, CmdAnimationToScreen, "Animations",
    "number:animation number:x number:y",
    "Makes the screen the animation's output at (x, y) plus the screen origin (-1 centres; other x are rounded "
    "down to a multiple of 4). Blocks outside the screen are not drawn.",
    "",
    "A window hasn't been created yet; Bad animation parameter",
    "SCREENGRAPHICS ok 320 200\nANIMATIONOPEN a 0 'demo'\nANIMATIONTOSCREEN a 16 8\nANIMATIONADVANCE a")
ZS_KEYWORD(ANIMATIONTRACKS, CmdAnimationTracks, "Animations",
    "number:mask",
    "Chooses the sound tracks that later ANIMATIONOPEN and ANIMATIONPLAY play: bit n of the mask (1, 2, 4, ...) "
    "selects track n + 1 (seven tracks at most). 0, the start value, plays no sound.",
    "",
    "",
    "ANIMATIONTRACKS 1\nANIMATIONPLAY r -1 -1 1 1024 'demo'")
ZS_KEYWORD(ANIMATIONWIDTH, CmdAnimationWidth, "Animations",
    "name:result number:animation",
    "Gives the width of the animation in pixels.",
    "the width",
    "Bad animation parameter",
    "ANIMATIONOPEN a 0 'demo'\nANIMATIONWIDTH w a")

// ---- Bitmaps ----------------------------------------------------------------
ZS_KEYWORD(BITMAPALLOC, CmdBitmapAlloc, "Bitmaps",
    "name:result number:width number:height",
    "Makes a new bitmap of 8-bit palette indices, all 0, without a palette.",
    "the bitmap number (9000-9127), or 0 when 128 are in use or the memory is not there",
    "",
    "BITMAPALLOC b 64 32\nIF b = 0 VARSET problem 'no bitmap'")
ZS_KEYWORD(BITMAPBOX, CmdBitmapBox, "Bitmaps",
    "number:bitmap number:x number:y number:w number:h number:colour",
    "Draws an outline through the corners (x, y) and (x + w, y + h): it covers w + 1 by h + 1 pixels (SCREENBOX "
    "covers w by h). Drawn as far as it lies on the bitmap.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 32 32\nBITMAPBOX b 0 0 9 9 15")
ZS_KEYWORD(BITMAPCHANGECOLOR, CmdBitmapChangeColor, "Bitmaps",
    "number:bitmap number:from number:to",
    "Every pixel of colour from becomes colour to.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 16 16\nBITMAPCHANGECOLOR b 0 4")
ZS_KEYWORD(BITMAPCLEAR, CmdBitmapClear, "Bitmaps",
    "number:bitmap number:colour",
    "Every pixel becomes the colour.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 16 16\nBITMAPCLEAR b 7")
ZS_KEYWORD(BITMAPFADEINPALETTE, CmdBitmapFadeInPalette, "Bitmaps",
    "number:bitmap",
    "When the bitmap has a palette, fades it in on the screen in 16 even steps from black (paced by "
    "SCREENFADESPEED), locked entries unchanged.",
    "",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 8 8\nBITMAPGETPALETTE b\nSCREENFADEOUTCLEAR 0\nBITMAPFADEINPALETTE b")
ZS_KEYWORD(BITMAPFILLEDBOX, CmdBitmapFilledBox, "Bitmaps",
    "number:bitmap number:x number:y number:w number:h number:colour",
    "Fills w by h pixels from (x, y), as far as they lie on the bitmap.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 32 32\nBITMAPFILLEDBOX b 4 4 8 8 12")
ZS_KEYWORD(BITMAPFREE, CmdBitmapFree, "Bitmaps",
    "name:bitmap-variable",
    "Frees the bitmap whose number the variable holds, with its palette, and deletes the variable.",
    "deletes the variable",
    "Bad frame parameter (also when the variable holds 0)",
    "BITMAPALLOC b 16 16\nBITMAPFREE b")
ZS_KEYWORD(BITMAPFROMSCREEN, CmdBitmapFromScreen, "Bitmaps",
    "number:bitmap number:x number:y",
    "Copies the screen rectangle of the bitmap's size at (x, y) plus the screen origin into the bitmap; the part "
    "off the screen reads as 0.",
    "",
    "A window hasn't been created yet; Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nSCREENCLEAR 9\nBITMAPALLOC b 40 30\nBITMAPFROMSCREEN b 100 50")
ZS_KEYWORD(BITMAPGETBRIGHTESTPALETTEINDEX, CmdBitmapGetBrightestPaletteIndex, "Bitmaps",
    "name:result number:bitmap",
    "Finds the brightest entry of the bitmap's palette: the largest (smallest component x 65536 + sum of the "
    "components), the last one on ties.",
    "the palette index, 0 when the bitmap has no palette",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 8 8\nBITMAPGETPALETTE b\nBITMAPGETBRIGHTESTPALETTEINDEX i b")
ZS_KEYWORD(BITMAPGETDARKESTPALETTEINDEX, CmdBitmapGetDarkestPaletteIndex, "Bitmaps",
    "name:result number:bitmap",
    "Finds the darkest entry of the bitmap's palette: the smallest (largest component x 65536 + sum of the "
    "components), the first one on ties.",
    "the palette index, 0 when the bitmap has no palette",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 8 8\nBITMAPGETPALETTE b\nBITMAPGETDARKESTPALETTEINDEX i b")
ZS_KEYWORD(BITMAPGETPALETTE, CmdBitmapGetPalette, "Bitmaps",
    "number:bitmap",
    "Copies the screen palette into the bitmap's palette (creating it).",
    "",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 8 8\nBITMAPGETPALETTE b")
ZS_KEYWORD(BITMAPGETPALETTEVALUE, CmdBitmapGetPaletteValue, "Bitmaps",
    "name:result number:bitmap number:index",
    "Reads one entry of the bitmap's palette as red + green x 256 + blue x 65536 (components 0-255).",
    "the colour value, 0 when the bitmap has no palette",
    "Bad frame parameter",
    "BITMAPALLOC b 8 8\nBITMAPSETPALETTEVALUE b 1 8519935\nBITMAPGETPALETTEVALUE c b 1")
ZS_KEYWORD(BITMAPGETPIXEL, CmdBitmapGetPixel, "Bitmaps",
    "name:result number:bitmap number:x number:y",
    "Reads one pixel; a coordinate past the last column or row (or negative) is taken as the last one.",
    "the pixel's palette index",
    "Bad frame parameter",
    "BITMAPALLOC b 16 16\nBITMAPSETPIXEL b 15 15 3\nBITMAPGETPIXEL p b 5000 5000")
ZS_KEYWORD(BITMAPHEIGHT, CmdBitmapHeight, "Bitmaps",
    "name:result number:bitmap",
    "Gives the bitmap's height.",
    "the height in pixels",
    "Bad frame parameter",
    "BITMAPALLOC b 64 32\nBITMAPHEIGHT h b")
ZS_KEYWORD(BITMAPLINE, CmdBitmapLine, "Bitmaps",
    "number:bitmap number:x1 number:y1 number:x2 number:y2 number:colour",
    "Draws a line from (x1, y1) to (x2, y2), both ends included, as far as it lies on the bitmap.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 32 32\nBITMAPLINE b 0 0 31 31 15")
ZS_KEYWORD(BITMAPLIST, CmdBitmapList, "Bitmaps",
    "",
    "Writes one line \"Number: 9000  Width: 320  Height: 200\" for each bitmap, at the text cursor, or into the "
    "trace file while DEBUGFILE traces.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 64 32\nBITMAPLIST")
ZS_KEYWORD(BITMAPPALETTETOPALETTE, CmdBitmapPaletteToPalette, "Bitmaps",
    "number:destination number:source",
    "Copies the source bitmap's palette to the destination (creating it); when the source has none, the "
    "destination's palette is removed.",
    "",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC a 8 8\nBITMAPALLOC b 8 8\nBITMAPGETPALETTE a\n"
    "BITMAPPALETTETOPALETTE b a")
ZS_KEYWORD(BITMAPSETPALETTE, CmdBitmapSetPalette, "Bitmaps",
    "number:bitmap",
    "Puts the bitmap's palette on the screen at once when it has one and it differs (locked entries unchanged).",
    "",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 8 8\nBITMAPSETPALETTEVALUE b 1 255\nBITMAPSETPALETTE b")
ZS_KEYWORD(BITMAPSETPALETTEVALUE, CmdBitmapSetPaletteValue, "Bitmaps",
    "number:bitmap number:index number:value",
    "Sets one entry of the bitmap's palette: red = value & 255, green = (value >> 8) & 255, blue = value >> 16. A "
    "bitmap without a palette gets an all-black one first.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 8 8\nBITMAPSETPALETTEVALUE b 1 65280")
ZS_KEYWORD(BITMAPSETPIXEL, CmdBitmapSetPixel, "Bitmaps",
    "number:bitmap number:x number:y number:colour",
    "Writes one pixel; coordinates limited as for BITMAPGETPIXEL.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 16 16\nBITMAPSETPIXEL b 3 4 15")
ZS_KEYWORD(BITMAPTEXT, CmdBitmapText, "Bitmaps",
    "number:bitmap number:x number:y value:text",
    "Draws the text with the current font and text colours at (x, y) of the bitmap.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC b 96 16\nTEXTCOLOR 63\nBITMAPTEXT b 0 0 'Caption'")
ZS_KEYWORD(BITMAPTOBITMAP, CmdBitmapToBitmap, "Bitmaps",
    "number:destination number:source number:x number:y",
    "Copies between bitmaps. When the destination is narrower or lower than the source it receives the part of the "
    "source that starts at (x, y) (a crop); otherwise the source is placed at (x, y) into the destination. Clipped.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC big 320 200\nBITMAPALLOC small 100 100\nBITMAPTOBITMAP small big 50 20\n"
    "BITMAPTOBITMAP big small 10 10")
ZS_KEYWORD(BITMAPTOBITMAPMASK, CmdBitmapToBitmapMask, "Bitmaps",
    "number:destination number:source number:mask number:x number:y number:colour",
    "As BITMAPTOBITMAP, writing the source pixel only where the mask bitmap (the source's size) differs from the "
    "colour. A mask of another size draws nothing.",
    "",
    "Bad frame parameter",
    "BITMAPALLOC d 64 64\nBITMAPALLOC s 16 16\nBITMAPALLOC m 16 16\nBITMAPCLEAR s 5\n"
    "BITMAPFILLEDBOX m 4 4 8 8 1\nBITMAPTOBITMAPMASK d s m 10 10 0")
ZS_KEYWORD(BITMAPTOBITMAPMERGE, CmdBitmapToBitmapMerge, "Bitmaps",
    "number:destination number:source number:background number:x number:y number:colour",
    "As BITMAPTOBITMAP, writing the source pixel, or where it equals the colour the background bitmap's pixel at "
    "the same place (the background has the source's size, else nothing is drawn).",
    "",
    "Bad frame parameter",
    "BITMAPALLOC d 64 64\nBITMAPALLOC s 16 16\nBITMAPALLOC g 16 16\nBITMAPCLEAR g 9\n"
    "BITMAPFILLEDBOX s 4 4 8 8 3\nBITMAPTOBITMAPMERGE d s g 0 0 0")
ZS_KEYWORD(BITMAPTOBITMAPTRANS, CmdBitmapToBitmapTrans, "Bitmaps",
    "number:destination number:source number:x number:y number:colour",
    "As BITMAPTOBITMAP, leaving out the source pixels of the colour (transparent).",
    "",
    "Bad frame parameter",
    "BITMAPALLOC d 64 64\nBITMAPALLOC s 16 16\nBITMAPFILLEDBOX s 4 4 8 8 3\nBITMAPTOBITMAPTRANS d s 8 8 0")
ZS_KEYWORD(BITMAPTOSCREEN, CmdBitmapToScreen, "Bitmaps",
    "number:bitmap number:x number:y",
    "Copies the whole bitmap to the screen at (x, y) plus the screen origin, clipped at the right and bottom; "
    "nothing when the position is left of or above the screen.",
    "",
    "A window hasn't been created yet; Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 32 32\nBITMAPCLEAR b 40\nBITMAPTOSCREEN b 10 10")
ZS_KEYWORD(BITMAPTOSCREENMASK, CmdBitmapToScreenMask, "Bitmaps",
    "number:bitmap number:mask number:x number:y number:colour",
    "As BITMAPTOSCREEN, writing a pixel only where the mask bitmap (the bitmap's size) differs from the colour.",
    "",
    "A window hasn't been created yet; Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 16 16\nBITMAPALLOC m 16 16\nBITMAPCLEAR b 40\n"
    "BITMAPFILLEDBOX m 0 0 8 16 1\nBITMAPTOSCREENMASK b m 0 0 0")
ZS_KEYWORD(BITMAPTOSCREENMERGE, CmdBitmapToScreenMerge, "Bitmaps",
    "number:bitmap number:background number:x number:y number:colour",
    "As BITMAPTOSCREEN, writing the bitmap's pixel, or where it equals the colour the background bitmap's pixel.",
    "",
    "A window hasn't been created yet; Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 16 16\nBITMAPALLOC g 16 16\nBITMAPCLEAR g 20\n"
    "BITMAPFILLEDBOX b 4 4 8 8 40\nBITMAPTOSCREENMERGE b g 0 0 0")
ZS_KEYWORD(BITMAPTOSCREENTRANS, CmdBitmapToScreenTrans, "Bitmaps",
    "number:bitmap number:x number:y number:colour",
    "As BITMAPTOSCREEN, leaving out the bitmap's pixels of the colour (transparent).",
    "",
    "A window hasn't been created yet; Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC b 96 16\nTEXTCOLOR 63\nTEXTBACKCOLOR 0\nBITMAPTEXT b 0 0 'Title'\n"
    "BITMAPTOSCREENTRANS b 20 20 0")
ZS_KEYWORD(BITMAPWIDTH, CmdBitmapWidth, "Bitmaps",
    "name:result number:bitmap",
    "Gives the bitmap's width.",
    "the width in pixels",
    "Bad frame parameter",
    "BITMAPALLOC b 64 32\nBITMAPWIDTH w b")

// ---- Flow --------------------------------------------------------------------
ZS_KEYWORD(CALL, CmdCall, "Flow",
    "text:script",
    "Runs another script file (\".zs\" added when the name has no extension) from its start; it shares the "
    "variables, files, bitmaps and animations, has its own labels, and comes back with RETURN, EXIT or its end.",
    "",
    "Error opening script in command",
    "CALL 'sub'\nIF greeting = '' END")
ZS_KEYWORD(CALLANDGOSUB, CmdCallAndGosub, "Flow",
    "text:script text:label",
    "As CALL, but the called file starts at the label; its RETURN at the top level comes back here.",
    "",
    "Error opening script in command; Label not found",
    "CALLANDGOSUB 'sub' 'SHOW'")
ZS_KEYWORD(COMPUTE, CmdCompute, "Variables",
    "name:result [=] number:left operator number:right",
    "Computes left operator right with 32-bit integers (wrapping): + - * / (toward zero) % (sign of the left) & | ^ "
    "(exclusive or). Dividing by 0 gives 0. One operator per COMPUTE, no parentheses.",
    "the result",
    "Error in compute command; Unknown operator in command; Needed a number in command",
    "VARSET n 7\nCOMPUTE n = n * 6\nCOMPUTE r = 7 % 3\nCOMPUTE d = 5 -3")
ZS_KEYWORD(COMPUTEABS, CmdComputeAbs, "Variables",
    "name:result number:value",
    "Gives the absolute value.",
    "the result",
    "Needed a number in command",
    "COMPUTEABS a -12")
ZS_KEYWORD(COMPUTESQRT, CmdComputeSqrt, "Variables",
    "name:result number:value",
    "Gives the integer square root, rounded to the nearest (the value taken as unsigned): 8 gives 3, 15 gives 4.",
    "the result",
    "Needed a number in command",
    "COMPUTESQRT r 100")

// ---- Debugging ---------------------------------------------------------------
ZS_KEYWORD(DEBUGFILE, CmdDebugFile, "Debugging",
    "value:file",
    "Starts tracing into the file (created anew): every command with its line number and the variables it sets; an "
    "empty name stops tracing. While tracing, the listing commands write into the file.",
    "",
    "",
    "DEBUGFILE 'trace.txt'\nVARSET a 1\nDEBUGFILE ''")
ZS_KEYWORD(DEBUGTEXT, CmdDebugText, "Debugging",
    "value:text",
    "Writes the text on a line of its own into the trace file (nothing when not tracing).",
    "",
    "",
    "DEBUGFILE 'trace.txt'\nDEBUGTEXT 'before the menu'\nDEBUGFILE ''")

// ---- Waiting -----------------------------------------------------------------
ZS_KEYWORD(DELAY, CmdDelay, "Input",
    "number:milliseconds",
    "Waits the time, keeping the window and sound alive.",
    "",
    "Needed a number in command",
    "DELAY 50")
ZS_KEYWORD(DELAYUNTIL, CmdDelayUntil, "Input",
    "number:time",
    "Waits until the millisecond clock (SYSTEMTIMER) reaches the time; a time in the past returns at once.",
    "",
    "Needed a number in command",
    "SYSTEMTIMER t\nCOMPUTE t = t + 50\nDELAYUNTIL t")

// ---- Directories and drives --------------------------------------------------
ZS_KEYWORD(DIRCHANGE, CmdDirChange, "Directories",
    "name:result text:directory",
    "Makes the directory the current one when it exists.",
    "1, or 0 when it does not exist",
    "",
    "DIRMAKE r 'pictures'\nDIRCHANGE r 'pictures'")
ZS_KEYWORD(DIRCURRENT, CmdDirCurrent, "Directories",
    "name:result",
    "Gives the current directory.",
    "the full path",
    "",
    "DIRCURRENT here")
ZS_KEYWORD(DIREXISTS, CmdDirExists, "Directories",
    "name:result text:directory",
    "Tells whether a directory of that name exists.",
    "1 or 0",
    "",
    "DIREXISTS r 'pictures'")
ZS_KEYWORD(DIRMAKE, CmdDirMake, "Directories",
    "name:result text:directory",
    "Creates one directory.",
    "1 on success, else 0",
    "",
    "DIRMAKE r 'pictures'")
ZS_KEYWORD(DIRREMOVE, CmdDirRemove, "Directories",
    "name:result text:directory",
    "Removes an empty directory.",
    "1 on success, else 0",
    "",
    "DIRMAKE r 'scratch'\nDIRREMOVE r 'scratch'")
ZS_KEYWORD(DRIVEAVAIL, CmdDriveAvail, "Directories",
    "name:result text:path",
    "Gives the free space of the file system holding the path.",
    "the free bytes, 0 on failure",
    "",
    "DRIVEAVAIL free '/'")
ZS_KEYWORD(DRIVESIZE, CmdDriveSize, "Directories",
    "name:result text:path",
    "Gives the size of the file system holding the path.",
    "the total bytes, 0 on failure",
    "",
    "DRIVESIZE total '/'")

// ---- Flow (continued) ------------------------------------------------------------
ZS_KEYWORD(END, CmdEnd, "Flow",
    "",
    "Ends the run: every script level ends and the program finishes (status 0).",
    "",
    "",
    "VARSET done 1\nEND")

// ---- System --------------------------------------------------------------------
ZS_KEYWORD(ENVGET, CmdEnvGet, "System",
    "name:result text:variable",
    "Reads an environment variable (its name in upper case).",
    "its value, or empty",
    "",
    "ENVGET home 'HOME'")
ZS_KEYWORD(ENVSET, CmdEnvSet, "System",
    "value:variable value:text",
    "Sets an environment variable of this process (name in upper case); programs started by EXECUTE see it.",
    "",
    "",
    "ENVSET 'SHOW' 'demo'\nENVGET s 'SHOW'")
ZS_KEYWORD(EXECUTE, CmdExecute, "System",
    "name:result text:command-line",
    "Starts a program without waiting for it (the command line is split into words, quotes group; no shell). "
    "Resets the text colours and the pointer.",
    "33 when it started, 2 when it could not be started",
    "",
    "EXECUTE r 'true'")

// ---- Flow (continued) ------------------------------------------------------------
ZS_KEYWORD(EXIT, CmdExit, "Flow",
    "",
    "Ends the current script file; a caller goes on after its CALL.",
    "",
    "",
    "CALL 'sub'\nEXIT")

// ---- Files -------------------------------------------------------------------
ZS_KEYWORD(FILEAPPEND, CmdFileAppend, "Files",
    "name:result text:file",
    "Opens a text file for writing at its end (created when missing).",
    "the file number (5000-5063), or 0",
    "",
    "FILEAPPEND f 'log.txt'\nFILEWRITE f 'one more line'\nFILECLOSE f")
ZS_KEYWORD(FILECDROM, CmdFileCdRom, "Files",
    "name:result text:path",
    "Tells whether the path lies on a CD-ROM (iso9660 or udf in the mount table).",
    "1 or 0",
    "",
    "FILECDROM r '/'")
ZS_KEYWORD(FILECLOSE, CmdFileClose, "Files",
    "name:file-variable",
    "Closes the file whose number the variable holds (written data is flushed) and deletes the variable.",
    "deletes the variable",
    "Bad file parameter",
    "FILEOPEN f 'notes.txt'\nFILECLOSE f")
ZS_KEYWORD(FILECOPY, CmdFileCopy, "Files",
    "name:result text:source text:destination",
    "Copies files; * and ? in the source select many, in the destination they take the source name's characters. "
    "A copy onto itself gives 0 and changes nothing; a failed copy leaves no half-written file.",
    "1 on success, else 0",
    "",
    "FILECOPY r 'notes.txt' 'backup.txt'\nFILECOPY r '*.txt' '*.bak'")
ZS_KEYWORD(FILECREATE, CmdFileCreate, "Files",
    "name:result text:file",
    "Creates a text file (emptied when it exists) for writing and reading.",
    "the file number (5000-5063), or 0",
    "",
    "FILECREATE f 'scores.txt'\nFILEWRITE f 'Ann 120'\nFILECLOSE f")
ZS_KEYWORD(FILEDELETE, CmdFileDelete, "Files",
    "name:result text:file-or-pattern",
    "Deletes a file, or every file matching a pattern with * and ?.",
    "1 on success (also when nothing matched a pattern), else 0",
    "",
    "FILECOPY r 'notes.txt' 'old.txt'\nFILEDELETE r 'old.txt'")
ZS_KEYWORD(FILEEOF, CmdFileEof, "Files",
    "name:result number:file",
    "Tells whether the file is read to its end.",
    "1 at the end, else 0",
    "Bad file parameter",
    "FILEOPEN f 'notes.txt'\n:NEXT\nFILEEOF e f\nIF e = 0 FILEREAD line f ; GOTO 'NEXT'\nFILECLOSE f")
ZS_KEYWORD(FILEEXISTS, CmdFileExists, "Files",
    "name:result text:file",
    "Tells whether the file exists and can be read.",
    "1 or 0",
    "",
    "FILEEXISTS r 'notes.txt'")
ZS_KEYWORD(FILEFIND, CmdFileFind, "Files",
    "name:result value:pattern",
    "Starts a search for files and directories matching the pattern (an empty pattern is *.*; a directory name "
    "lists the directory), sorted by name. One search at a time.",
    "the directory of the pattern and the first name, or empty (the search is over)",
    "",
    "FILEFIND n '*.txt'\n:NEXT\nIF n <> '' FILEFINDNEXT n ; GOTO 'NEXT'")
ZS_KEYWORD(FILEFINDNEXT, CmdFileFindNext, "Files",
    "name:result",
    "Continues the search of FILEFIND.",
    "the next name in the same form, or empty (the search is over)",
    "",
    "FILEFIND n '*'\nFILEFINDNEXT n")
ZS_KEYWORD(FILEFULLPATH, CmdFileFullPath, "Files",
    "name:result text:file",
    "Expands a name to a full path.",
    "the full path",
    "",
    "FILEFULLPATH p 'notes.txt'")
ZS_KEYWORD(FILEGETATTRIB, CmdFileGetAttrib, "Files",
    "name:result text:file",
    "Reads the attribute bits of the first entry matching the name: read-only 1 (no write permission), hidden 2 "
    "(name starting with a dot), directory 16, archive 32 (a regular file).",
    "the bits, 0 when nothing matches",
    "",
    "FILEGETATTRIB a 'notes.txt'")
ZS_KEYWORD(FILELIST, CmdFileList, "Files",
    "",
    "Writes one line \"Number: 5000  File: notes.txt\" for each open file, at the text cursor, or into the trace "
    "file while DEBUGFILE traces.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nFILEOPEN f 'notes.txt'\nFILELIST")
ZS_KEYWORD(FILEOPEN, CmdFileOpen, "Files",
    "name:result text:file",
    "Opens a text file for reading.",
    "the file number (5000-5063), or 0 when it cannot be opened or 64 are open",
    "",
    "FILEOPEN f 'notes.txt'\nIF f = 0 VARSET problem 'no notes'")
ZS_KEYWORD(FILEPIECES, CmdFilePieces, "Files",
    "name:result number:drive number:directory number:name number:extension text:path",
    "Takes parts of a path: each nonzero flag keeps its part (the drive part is always empty here).",
    "the kept parts joined",
    "",
    "FILEPIECES base 0 0 1 0 '/shows/intro.zbx'\nFILEPIECES dir 0 1 0 0 '/shows/intro.zbx'")
ZS_KEYWORD(FILEREAD, CmdFileRead, "Files",
    "name:result number:file",
    "Reads the next line (at most 254 characters) without its line end.",
    "the line; an empty line or the end of the file deletes the variable",
    "Bad file parameter",
    "FILEOPEN f 'notes.txt'\nFILEREAD first f\nFILECLOSE f")
ZS_KEYWORD(FILEREMOTE, CmdFileRemote, "Files",
    "name:result text:path",
    "Tells whether the path lies on a network file system (nfs, cifs, sshfs and the like).",
    "1 or 0",
    "",
    "FILEREMOTE r '/'")
ZS_KEYWORD(FILEREMOVABLE, CmdFileRemovable, "Files",
    "name:result text:path",
    "Tells whether the path lies on a removable disk.",
    "1 or 0",
    "",
    "FILEREMOVABLE r '/'")
ZS_KEYWORD(FILERENAME, CmdFileRename, "Files",
    "name:result text:source text:destination",
    "Renames or moves files; wildcards as for FILECOPY (*.txt to *.bak renames every .txt file).",
    "1 on success, else 0",
    "",
    "FILECOPY r 'notes.txt' 'draft.txt'\nFILERENAME r 'draft.txt' 'final.txt'")
ZS_KEYWORD(FILESETATTRIB, CmdFileSetAttrib, "Files",
    "text:file number:attributes",
    "Sets read-only (1: the write permissions are removed; without it the owner may write again). Other bits "
    "cannot be set.",
    "",
    "",
    "FILECOPY r 'notes.txt' 'keep.txt'\nFILESETATTRIB 'keep.txt' 1")
ZS_KEYWORD(FILESIZE, CmdFileSize, "Files",
    "name:result text:file-or-number",
    "Gives the size of an open file (its number) or of a named file.",
    "the size in bytes, 0 when the file cannot be opened",
    "",
    "FILESIZE n 'notes.txt'")
ZS_KEYWORD(FILETEMP, CmdFileTemp, "Files",
    "name:result text:path",
    "Composes an unused file name: the path's directory, the first three characters of its file name, \"s\", the "
    "process id in base 32, \".\" and a counter.",
    "the name",
    "",
    "FILETEMP t 'scratch'\nFILECREATE f t\nFILECLOSE f")
ZS_KEYWORD(FILEWRITE, CmdFileWrite, "Files",
    "number:file value:text",
    "Writes the text and a line end (carriage return, line feed).",
    "",
    "Bad file parameter",
    "FILECREATE f 'out.txt'\nFILEWRITE f 'first line'\nFILECLOSE f")

// ---- Flow (continued) ------------------------------------------------------------
ZS_KEYWORD(GOSUB, CmdGosub, "Flow",
    "text:label",
    "Jumps to a label of the same file; RETURN comes back after the GOSUB. 64 levels at most.",
    "",
    "Label not found; Too many GOSUBs",
    "GOSUB 'HELLO'\nEND\n:HELLO\nVARSET said 'hello'\nRETURN")
ZS_KEYWORD(GOTO, CmdGoto, "Flow",
    "text:label",
    "Jumps to a label of the same file. Quote the label: a bare word is a variable holding the label's name.",
    "",
    "Label not found",
    "VARSET i 0\n:AGAIN\nCOMPUTE i = i + 1\nIF i < 3 GOTO 'AGAIN'")
ZS_KEYWORD(IF, CmdIf, "Flow",
    "value:left text:operator value:right command",
    "Compares and runs the rest of the line when true; when false the rest of the line (also after ;) is skipped. "
    "Operators = < > <= >= <>; numbers compare as numbers, texts without regard to case, or exactly with a leading "
    "@ (@=).",
    "",
    "Needed a parameter in command",
    "VARSET a 5\nIF a > 3 VARSET big 1\nIF 'abc' = 'ABC' VARSET same 1\nIF 'abc' @= 'ABC' VARSET never 1")
ZS_KEYWORD(IFSET, CmdIfSet, "Flow",
    "value:left text:operator value:right name:result value:if-true value:if-false",
    "Compares as IF does and sets the variable to one of two values.",
    "the first value when the comparison holds, else the second",
    "Needed a parameter in command",
    "VARSET n 4\nIFSET n > 3 size 'big' 'small'")

// ---- Input and mouse -----------------------------------------------------------
ZS_KEYWORD(INPUTCHAR, CmdInputChar, "Input",
    "name:result",
    "Waits for a key or a click, drawing the script's own mouse pointer. Keys come as the character typed or a "
    "name (ENTER, ESCAPE, SPACE, BACKSPACE, TAB, BACKTAB, PAGEUP, PAGEDOWN, END, HOME, LEFT, UP, RIGHT, DOWN, "
    "INSERT, DELETE, F1-F10, and those after SHIFT, CONTROL or ALT); closing the window gives ALT F4.",
    "the key's name, the name of the mouse area clicked, LEFT MOUSE or RIGHT MOUSE",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nTEXT 'Press a key'\nINPUTCHAR k")
ZS_KEYWORD(INPUTCHARORDELAY, CmdInputCharOrDelay, "Input",
    "name:result number:milliseconds",
    "As INPUTCHAR with a time limit (0: at once unless a key waits; -1: none).",
    "as INPUTCHAR, or DELAY when the time passed",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nINPUTCHARORDELAY k 100\nIF k = 'DELAY' VARSET idle 1")
ZS_KEYWORD(INPUTMSGWIN, CmdInputMsgWin, "Input",
    "name:result number:x number:y number:style value:text",
    "Shows a message box with the window title as caption (the text also goes to standard error). Style 0 OK, 2 "
    "OK/Cancel, 4 Yes/No, 6 Yes/No/Cancel. Without a display, or when boxes are off, the answer is 2 at once.",
    "OK 1, Cancel or closed 2, Yes 4, No 8",
    "",
    "SCREENGRAPHICS ok 320 200\nINPUTMSGWIN answer -1 -1 4 'Play it again?'")
ZS_KEYWORD(INPUTSTR, CmdInputStr, "Input",
    "name:result number:length value:prompt",
    "Draws the prompt at the text cursor and reads a line there: at most length characters, Backspace removes one, "
    "Enter ends, Escape gives the empty text.",
    "the typed text (empty after Escape: the variable is deleted)",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nINPUTSTR who 20 'Your name: '")
ZS_KEYWORD(INPUTSTRWIN, CmdInputStrWin, "Input",
    "name:result number:x number:y number:length value:prompt",
    "As INPUTSTR in a box at (x, y) (-1 centres); the screen under the box is put back afterwards.",
    "the typed text",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nINPUTSTRWIN who -1 -1 12 'Your name?'")

// ---- Flow (continued) ------------------------------------------------------------
ZS_KEYWORD(INTERPRET, CmdInterpret, "Flow",
    "text:command-line",
    "Runs the text as a command line (it may hold several commands separated by ;); the rest of the line is "
    "discarded.",
    "",
    "Bad script command",
    "VARSET cmd 'VARSET x 1 ; VARSET y 2'\nINTERPRET cmd")

// ---- System (continued) ----------------------------------------------------------
ZS_KEYWORD(MCISENDSTRING, CmdMciSendString, "System",
    "name:result value:command",
    "Plays wave files: \"open FILE [alias NAME]\", \"play NAME [wait]\", \"stop NAME\", \"close NAME\" or \"close "
    "all\", \"status NAME mode|length|position\".",
    "the answer (playing or stopped, milliseconds, or empty); Error: and the reason on a failure",
    "",
    "MCISENDSTRING r 'open ding.wav alias ding'\nMCISENDSTRING r 'play ding wait'\nMCISENDSTRING r 'close ding'")

// ---- Input and mouse (continued) -------------------------------------------------
ZS_KEYWORD(MOUSEADD, CmdMouseAdd, "Input",
    "text:area number:x number:y number:width number:height number:pointer-bitmap",
    "Adds a named mouse area at (x, y) plus the screen origin, with its own pointer bitmap (0: the built-in arrow; "
    "colour 0 of the bitmap is clear). INPUTCHAR returns the area's name when it is clicked; the newest area wins "
    "where areas overlap. 128 areas at most.",
    "",
    "Could not add mouse area in command; Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nMOUSEADD 'PLAY' 10 10 100 20 0\nMOUSEADD 'QUIT' 10 40 100 20 0")
ZS_KEYWORD(MOUSEAREA, CmdMouseArea, "Input",
    "name:result",
    "Gives the newest area of the current level under the pointer (where it was at the last wait).",
    "the area's name, or empty",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSEADD 'ALL' 0 0 320 200 0\nMOUSESETXY 5 5\nMOUSEAREA a")
ZS_KEYWORD(MOUSEMODE, CmdMouseMode, "Input",
    "number:mode",
    "Kept for old scripts: the value has no effect.",
    "",
    "",
    "MOUSEMODE 1")
ZS_KEYWORD(MOUSEPOP, CmdMousePop, "Input",
    "",
    "Makes the areas saved by the last MOUSEPUSHANDREMOVEALL active again (without a push it changes nothing).",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSEADD 'MENU' 0 0 50 20 0\nMOUSEPUSHANDREMOVEALL\nMOUSEADD 'OK' 100 100 40 20 0\n"
    "MOUSEPOP")
ZS_KEYWORD(MOUSEPRESENT, CmdMousePresent, "Input",
    "name:result",
    "Tells whether a mouse was found at the start.",
    "1 or 0",
    "",
    "MOUSEPRESENT m")
ZS_KEYWORD(MOUSEPUSHANDREMOVEALL, CmdMousePushAndRemoveAll, "Input",
    "",
    "Starts a new, empty level of mouse areas; the areas before it stay stored but inactive until MOUSEPOP (32 "
    "levels).",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSEADD 'MENU' 0 0 50 20 0\nMOUSEPUSHANDREMOVEALL")
ZS_KEYWORD(MOUSEREMOVE, CmdMouseRemove, "Input",
    "text:area",
    "Removes the newest area of the current level with exactly that name (case counts); an unknown name is ignored.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSEADD 'PLAY' 10 10 100 20 0\nMOUSEREMOVE 'PLAY'")
ZS_KEYWORD(MOUSEREMOVEALL, CmdMouseRemoveAll, "Input",
    "",
    "Removes every area of the current level.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSEADD 'PLAY' 10 10 100 20 0\nMOUSEREMOVEALL")
ZS_KEYWORD(MOUSESETXY, CmdMouseSetXY, "Input",
    "number:x number:y",
    "Moves the pointer to (x, y) plus the screen origin, kept wholly on the screen.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSESETXY 160 100")
ZS_KEYWORD(MOUSEX, CmdMouseX, "Input",
    "name:result",
    "Gives the pointer's x (where it was at the last wait) minus the screen origin; -1 minus the origin when it was "
    "outside the window.",
    "the x position",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSESETXY 40 30\nMOUSEX x")
ZS_KEYWORD(MOUSEY, CmdMouseY, "Input",
    "name:result",
    "Gives the pointer's y, as MOUSEX.",
    "the y position",
    "",
    "SCREENGRAPHICS ok 320 200\nMOUSESETXY 40 30\nMOUSEY y")

// ---- Printing -------------------------------------------------------------------
ZS_KEYWORD(PRINTBEGIN, CmdPrintBegin, "Printing",
    "[file]",
    "Opens the print file: TEXT and TEXTNOCR write into it instead of the screen until PRINTEND. Without a name (or "
    "with lpt1 or prn) the text goes to the system's spooler lp when the file is closed; without lp, into "
    "zorbscw-print.txt. A bare word is taken as the file name itself.",
    "",
    "",
    "PRINTBEGIN 'printout.txt'\nSCREENGRAPHICS ok 320 200\nTEXT 'Page one'\nPRINTEND")
ZS_KEYWORD(PRINTEND, CmdPrintEnd, "Printing",
    "",
    "Closes the print file (and hands it to the spooler when printing to lp).",
    "",
    "",
    "PRINTBEGIN 'printout.txt'\nPRINTEND")
ZS_KEYWORD(PRINTPAGEADV, CmdPrintPageAdv, "Printing",
    "",
    "Writes a form feed (a new page) into the print file.",
    "",
    "",
    "PRINTBEGIN 'printout.txt'\nSCREENGRAPHICS ok 320 200\nTEXT 'Page one'\nPRINTPAGEADV\nTEXT 'Page two'\nPRINTEND")

// ---- System (continued) ----------------------------------------------------------
ZS_KEYWORD(RANDOM, CmdRandom, "System",
    "name:result number:n",
    "Gives a random number from 0 to n.",
    "the number",
    "",
    "RANDOM dice 5\nCOMPUTE dice = dice + 1")
ZS_KEYWORD(RANDOMIZE, CmdRandomize, "System",
    "number:seed",
    "Seeds the random numbers: the same seed gives the same numbers again (the start seed is the clock).",
    "",
    "",
    "RANDOMIZE 42\nRANDOM a 100")

// ---- Flow (continued) ------------------------------------------------------------
ZS_KEYWORD(RETURN, CmdReturn, "Flow",
    "",
    "Goes back after the last GOSUB; without a pending GOSUB it ends the current script file.",
    "",
    "",
    "VARSET n 1\nGOSUB 'TWICE'\nEND\n:TWICE\nCOMPUTE n = n + 2\nRETURN")

// ---- Screen ----------------------------------------------------------------------
ZS_KEYWORD(SCREENADJUSTXY, CmdScreenAdjustXY, "Screen",
    "number:x number:y",
    "Sets the screen origin, added to every screen coordinate; the text cursor moves there.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENADJUSTXY 10 10\nSCREENSETPIXEL 0 0 15")
ZS_KEYWORD(SCREENBOX, CmdScreenBox, "Screen",
    "number:x number:y number:w number:h number:colour",
    "Draws an outline covering w by h pixels from (x, y), as far as it lies on the screen.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENBOX 10 10 100 50 15")
ZS_KEYWORD(SCREENCLEAR, CmdScreenClear, "Screen",
    "number:colour",
    "Clears the whole screen to the colour.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENCLEAR 0")
ZS_KEYWORD(SCREENFADEOUTCLEAR, CmdScreenFadeOutClear, "Screen",
    "number:colour",
    "Fades the palette to black in 16 even steps (SCREENFADESPEED apart; locked entries stay), then clears the "
    "screen to the colour.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENCLEAR 63\nSCREENFADEOUTCLEAR 0")
ZS_KEYWORD(SCREENFADESPEED, CmdScreenFadeSpeed, "Screen",
    "number:milliseconds",
    "Sets the time between the 16 steps of a fade (15 at the start).",
    "",
    "",
    "SCREENFADESPEED 30")
ZS_KEYWORD(SCREENFILLEDBOX, CmdScreenFilledBox, "Screen",
    "number:x number:y number:w number:h number:colour",
    "Fills w by h pixels from (x, y), clipped at the right and bottom; nothing when the corner is off the screen.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENFILLEDBOX 10 10 100 50 20")
ZS_KEYWORD(SCREENFORCEPALETTEZEROBLACK, CmdScreenForcePaletteZeroBlack, "Screen",
    "number:on",
    "Nonzero: palette entry 0 becomes black and is locked; 0 unlocks it.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENFORCEPALETTEZEROBLACK 1")
ZS_KEYWORD(SCREENGETBRIGHTESTPALETTEINDEX, CmdScreenGetBrightestPaletteIndex, "Screen",
    "name:result",
    "Finds the brightest entry of the screen palette (as BITMAPGETBRIGHTESTPALETTEINDEX).",
    "the palette index",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENGETBRIGHTESTPALETTEINDEX white")
ZS_KEYWORD(SCREENGETDARKESTPALETTEINDEX, CmdScreenGetDarkestPaletteIndex, "Screen",
    "name:result",
    "Finds the darkest entry of the screen palette (as BITMAPGETDARKESTPALETTEINDEX).",
    "the palette index",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENGETDARKESTPALETTEINDEX black")
ZS_KEYWORD(SCREENGETPIXEL, CmdScreenGetPixel, "Screen",
    "name:result number:x number:y",
    "Reads the pixel at (x, y) plus the screen origin (0 off the screen).",
    "the palette index",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENSETPIXEL 5 5 9\nSCREENGETPIXEL p 5 5")
ZS_KEYWORD(SCREENGRAPHICS, CmdScreenGraphics, "Screen",
    "name:result number:width number:height",
    "Opens the window (or full-screen mode, SCREENSETTINGS) for a picture of that size and puts the default "
    "palette on it: four ramps of 64 entries (grey 0-63, red 64-127, green 128-191, blue 192-255), each from black "
    "to full intensity. The text colours are reset (7 on 0) and the mouse areas of the current level removed. In "
    "a larger full-screen mode the requested area is centred by the screen origin.",
    "1, or 0 when the display cannot be opened",
    "Zero dimension in command",
    "SCREENGRAPHICS ok 320 200\nIF ok = 0 END")
ZS_KEYWORD(SCREENHEIGHT, CmdScreenHeight, "Screen",
    "name:result",
    "Gives the screen's height (25 without a window).",
    "the height",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENHEIGHT h")
ZS_KEYWORD(SCREENINFO, CmdScreenInfo, "Screen",
    "name:result",
    "Describes the display mode in use.",
    "the description, empty without a window",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENINFO mode")
ZS_KEYWORD(SCREENLINE, CmdScreenLine, "Screen",
    "number:x1 number:y1 number:x2 number:y2 number:colour",
    "Draws a line, both ends included; the end points are kept on the screen.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENLINE 0 0 319 199 15")
ZS_KEYWORD(SCREENPALETTELOCK, CmdScreenPaletteLock, "Screen",
    "number:first number:count number:lock",
    "Locks (nonzero) or unlocks entries first to first + count - 1 of the screen palette: a locked entry keeps its "
    "colour through every later palette change and fade.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENPALETTELOCK 0 16 1")
ZS_KEYWORD(SCREENSETPIXEL, CmdScreenSetPixel, "Screen",
    "number:x number:y number:colour",
    "Sets one pixel at (x, y) plus the screen origin (nothing off the screen).",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENSETPIXEL 160 100 63")
ZS_KEYWORD(SCREENSETTINGS, CmdScreenSettings, "Screen",
    "number:mode",
    "Chooses the display for the next SCREENGRAPHICS: 0 a window; 1 and 2 full screen 320 x 240; 3 and 4 full "
    "screen 320 x 200. Other values change nothing.",
    "",
    "",
    "SCREENSETTINGS 0\nSCREENGRAPHICS ok 320 200")
ZS_KEYWORD(SCREENTEXT, CmdScreenText, "Screen",
    "",
    "Closes the window; the text colours and the pointer are reset, the cursor and origin go to (0, 0).",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENTEXT")
ZS_KEYWORD(SCREENWIDTH, CmdScreenWidth, "Screen",
    "name:result",
    "Gives the screen's width (80 without a window).",
    "the width",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENWIDTH w")
ZS_KEYWORD(SCREENWINDOWAUTOPAUSE, CmdScreenWindowAutoPause, "Screen",
    "number:on",
    "Nonzero: the script (and ANIMATIONPLAY) waits while the window does not have the input focus.",
    "",
    "",
    "SCREENWINDOWAUTOPAUSE 1")
ZS_KEYWORD(SCREENWINDOWBORDER, CmdScreenWindowBorder, "Screen",
    "number:style",
    "Chooses the frame of the next window: 0 the normal one, 1 a thin border, 2 no border or caption.",
    "",
    "",
    "SCREENWINDOWBORDER 1\nSCREENGRAPHICS ok 320 200")
ZS_KEYWORD(SCREENWINDOWHASFOCUS, CmdScreenWindowHasFocus, "Screen",
    "name:result",
    "Tells whether the window has the input focus.",
    "1 or 0 (0 without a window)",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENWINDOWHASFOCUS f")
ZS_KEYWORD(SCREENWINDOWHPAL, CmdScreenWindowHpal, "Screen",
    "name:result",
    "Gives a number standing for the window's palette (the window's own number here).",
    "the number",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nSCREENWINDOWHPAL p")
ZS_KEYWORD(SCREENWINDOWHWND, CmdScreenWindowHwnd, "Screen",
    "name:result",
    "Gives a number identifying the window.",
    "the number, 0 without a window",
    "",
    "SCREENGRAPHICS ok 320 200\nSCREENWINDOWHWND id")
ZS_KEYWORD(SCREENWINDOWPOS, CmdScreenWindowPos, "Screen",
    "number:x number:y",
    "Places the window (and later windows) at (x, y) on the desktop; -1 centres.",
    "",
    "",
    "SCREENWINDOWPOS 100 80\nSCREENGRAPHICS ok 320 200")
ZS_KEYWORD(SCREENWINDOWTITLE, CmdScreenWindowTitle, "Screen",
    "value:title",
    "Sets the window's caption (at once when the window is open). Before SCREENGRAPHICS an empty title gives a "
    "window without a caption.",
    "",
    "",
    "SCREENWINDOWTITLE 'My presentation'\nSCREENGRAPHICS ok 320 200")

// ---- System (continued) ----------------------------------------------------------
ZS_KEYWORD(SOUND, CmdSound, "System",
    "number:frequency number:milliseconds",
    "Plays a square-wave tone and waits its length (silent below 19 Hz or without a sound device).",
    "",
    "",
    "SOUND 440 100")

// ---- Strings ---------------------------------------------------------------------
ZS_KEYWORD(STRADDBACKSLASH, CmdStrAddBackslash, "Strings",
    "name:result value:text",
    "Trims the text and adds a backslash unless it is empty or ends with : or a backslash (for building paths of "
    "old scripts; paths may use \\ or /).",
    "the text",
    "",
    "STRADDBACKSLASH dir 'shows'")
ZS_KEYWORD(STRFIND, CmdStrFind, "Strings",
    "name:result number:ignore-case value:needle value:text",
    "Finds the first occurrence of the needle (ignore-case nonzero: without regard to case).",
    "its position counted from 1, or 0",
    "",
    "STRFIND pos 1 'show' 'The Show Begins'")
ZS_KEYWORD(STRFIRST, CmdStrFirst, "Strings",
    "name:first name:rest value:separators",
    "Splits the variable rest at its first character that is one of the separators: first gets the part before, "
    "rest the part after. Without a separator first gets everything and rest is deleted.",
    "first and rest",
    "",
    "VARSET list 'red,green,blue'\nSTRFIRST colour list ','")
ZS_KEYWORD(STRISLABEL, CmdStrIsLabel, "Strings",
    "name:result value:label",
    "Tells whether the current script file has the label.",
    "1 or 0",
    "",
    "STRISLABEL r 'MENU'\n:MENU")
ZS_KEYWORD(STRISNUMERIC, CmdStrIsNumeric, "Strings",
    "name:result value:text",
    "Tells whether the text is a whole number (optional minus, digits).",
    "1 or 0",
    "",
    "STRISNUMERIC r '-42'")
ZS_KEYWORD(STRLCASE, CmdStrLcase, "Strings",
    "name:result value:text",
    "Converts the letters A-Z to lower case.",
    "the text",
    "",
    "STRLCASE s 'Hello World'")
ZS_KEYWORD(STRLENGTH, CmdStrLength, "Strings",
    "name:result value:text",
    "Gives the length of the text in characters.",
    "the length",
    "",
    "STRLENGTH n 'Hello'")
ZS_KEYWORD(STRLPAD, CmdStrLpad, "Strings",
    "name:result number:width value:text",
    "Adds spaces on the left up to the width.",
    "the text",
    "",
    "STRLPAD s 5 'ab'")
ZS_KEYWORD(STRLPADZERO, CmdStrLpadZero, "Strings",
    "name:result number:width value:text",
    "Adds zeros on the left up to the width.",
    "the text",
    "",
    "STRLPADZERO s 4 7")
ZS_KEYWORD(STRPIECE, CmdStrPiece, "Strings",
    "name:result number:start number:length value:text",
    "Takes at most length characters from position start (counted from 1).",
    "the piece; empty (deleted) when start is past the end",
    "",
    "STRPIECE s 2 3 'abcdef'")
ZS_KEYWORD(STRREPEAT, CmdStrRepeat, "Strings",
    "name:result text:character number:count",
    "Repeats one character count times: the text's first character, or the character of that code when the text is "
    "a number.",
    "the text",
    "",
    "STRREPEAT line '-' 20\nSTRREPEAT stars 42 5")
ZS_KEYWORD(STRRPAD, CmdStrRpad, "Strings",
    "name:result number:width value:text",
    "Adds spaces on the right up to the width.",
    "the text",
    "",
    "STRRPAD s 5 'ab'")
ZS_KEYWORD(STRTRIM, CmdStrTrim, "Strings",
    "name:result value:text",
    "Removes blanks (and control characters) at both ends.",
    "the text",
    "",
    "STRTRIM s '  padded  '")
ZS_KEYWORD(STRUCASE, CmdStrUcase, "Strings",
    "name:result value:text",
    "Converts the letters a-z to upper case.",
    "the text",
    "",
    "STRUCASE s 'Hello World'")

// ---- System (continued) ----------------------------------------------------------
ZS_KEYWORD(SYSTEMCOLORS, CmdSystemColors, "System",
    "name:result",
    "Gives the number of colours of the screen (16777216 without a display).",
    "the number",
    "",
    "SYSTEMCOLORS c")
ZS_KEYWORD(SYSTEMCOMMANDLINE, CmdSystemCommandLine, "System",
    "name:result",
    "Gives what followed the script's name on zorbscw's command line (zorbscw show.zs one two gives \"one two\").",
    "the text",
    "",
    "SYSTEMCOMMANDLINE args")
ZS_KEYWORD(SYSTEMCURRENTEXE, CmdSystemCurrentExe, "System",
    "name:result",
    "Gives the full path of the zorbscw program.",
    "the path",
    "",
    "SYSTEMCURRENTEXE exe")
ZS_KEYWORD(SYSTEMCURRENTSCRIPT, CmdSystemCurrentScript, "System",
    "name:result",
    "Gives the full path of the running script file (FILEPIECES then finds files beside it).",
    "the path",
    "",
    "SYSTEMCURRENTSCRIPT me\nFILEPIECES here 0 1 0 0 me")
ZS_KEYWORD(SYSTEMDATETIME, CmdSystemDateTime, "System",
    "name:result value:format",
    "Formats the local time with strftime's codes, written with ^ for % (^H:^M gives 09:05).",
    "the text",
    "",
    "SYSTEMDATETIME now '^Y-^m-^d ^H:^M'")
ZS_KEYWORD(SYSTEMDISPLAYRESOLUTION, CmdSystemDisplayResolution, "System",
    "number:mode",
    "Chooses the screen mode of the full-screen displays: 1 640 x 400, 2 640 x 480, 3 800 x 600, 4 1024 x 768; 0 "
    "the desktop's mode again (also at the end of the run).",
    "",
    "",
    "SYSTEMDISPLAYRESOLUTION 0")
ZS_KEYWORD(SYSTEMMEMORY, CmdSystemMemory, "System",
    "name:result",
    "Gives the available memory in bytes (at most 2147483647).",
    "the number",
    "",
    "SYSTEMMEMORY m")
ZS_KEYWORD(SYSTEMOSMAJOR, CmdSystemOsMajor, "System",
    "name:result",
    "Gives the major version number of the operating system's kernel.",
    "the number",
    "",
    "SYSTEMOSMAJOR v")
ZS_KEYWORD(SYSTEMOSMINOR, CmdSystemOsMinor, "System",
    "name:result",
    "Gives the minor version number of the operating system's kernel.",
    "the number",
    "",
    "SYSTEMOSMINOR v")
ZS_KEYWORD(SYSTEMPLATFORM, CmdSystemPlatform, "System",
    "name:result",
    "Gives \"Win32\", so stored scripts take their usual path.",
    "Win32",
    "",
    "SYSTEMPLATFORM p")
ZS_KEYWORD(SYSTEMTIMER, CmdSystemTimer, "System",
    "name:result",
    "Gives the millisecond clock (it wraps after about 49 days).",
    "the number",
    "",
    "SYSTEMTIMER start\nDELAY 20\nSYSTEMTIMER now\nCOMPUTE took = now - start")
ZS_KEYWORD(SYSTEMUSEDIRECTSOUND, CmdSystemUseDirectSound, "System",
    "",
    "Makes later animations use the pulling sound back end (a device that asks for sound, with a half-second "
    "buffer).",
    "",
    "",
    "SYSTEMUSEDIRECTSOUND")
ZS_KEYWORD(SYSTEMUSEMMX, CmdSystemUseMMX, "System",
    "name:result number:request",
    "Chooses the decoder's wide inner loops: 0 forbids, 1 allows, other values only ask. The picture is the same "
    "either way.",
    "1 when the wide loops will be used, else 0",
    "",
    "SYSTEMUSEMMX wide 2")

// ---- Text ------------------------------------------------------------------------
ZS_KEYWORD(TEXT, CmdText, "Text",
    "value:text",
    "Draws the text at the text cursor and moves to the next line (no scrolling: at the bottom line the next text "
    "goes on along the same line). A text too long for the line is cut. UTF-8 text shows the characters the built-in "
    "font has (\"?\" for the rest). With a print file open, the line goes into it instead.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nTEXT 'Hello'\nTEXT 'Grüße, café'")
ZS_KEYWORD(TEXTBACKCOLOR, CmdTextBackColor, "Text",
    "number:colour",
    "Sets the colour of the cells behind the letters (0 at the start).",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nTEXTBACKCOLOR 200\nTEXT 'On blue'")
ZS_KEYWORD(TEXTBEGIN, CmdTextBegin, "Text",
    "",
    "Draws the script lines after it, up to a line whose first word is TEXTEND, as text lines (each with its %NAME% "
    "references replaced); the script goes on after TEXTEND.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nVARSET who 'world'\nTEXTBEGIN\nHello, %who%!\nSecond line.\nTEXTEND")
ZS_KEYWORD(TEXTCOLOR, CmdTextColor, "Text",
    "number:colour",
    "Sets the colour of the letters (7 at the start).",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nTEXTCOLOR 63\nTEXT 'Bright'")
ZS_KEYWORD(TEXTFONTFROMBITMAP, CmdTextFontFromBitmap, "Text",
    "number:bitmap number:cell-width number:cell-height number:first number:last",
    "Builds the font from a bitmap: glyph cells of that size, left to right and then row by row, for the codes "
    "first to last; pixels other than 0 are set. A bitmap of 0 brings the built-in font back.",
    "",
    "Bad frame parameter",
    "SCREENGRAPHICS ok 320 200\nBITMAPALLOC f 64 8\nBITMAPFILLEDBOX f 1 1 6 6 1\nTEXTFONTFROMBITMAP f 8 8 65 72\n"
    "TEXT 'ABBA'\nTEXTFONTFROMBITMAP 0 0 0 0 0")
ZS_KEYWORD(TEXTNOCR, CmdTextNoCr, "Text",
    "value:text",
    "As TEXT without moving to the next line.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nTEXTNOCR 'Score: '\nTEXT 120")
ZS_KEYWORD(TEXTSETXY, CmdTextSetXY, "Text",
    "number:x number:y",
    "Moves the text cursor to (x, y) plus the screen origin.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nTEXTSETXY 100 90\nTEXT 'Centre'")
ZS_KEYWORD(TEXTTRANSCOLOR, CmdTextTransColor, "Text",
    "number:colour",
    "Sets the transparent colour (128 at the start): when the letter or background colour equals it, that part is "
    "not drawn. ANIMATIONPLAY's merge shows the screen where the animation has this colour.",
    "",
    "",
    "SCREENGRAPHICS ok 320 200\nTEXTTRANSCOLOR 0\nTEXTBACKCOLOR 0\nTEXT 'Letters only'")
ZS_KEYWORD(TEXTX, CmdTextX, "Text",
    "name:result",
    "Gives the text cursor's x minus the screen origin.",
    "the x position",
    "",
    "SCREENGRAPHICS ok 320 200\nTEXTNOCR 'abc'\nTEXTX x")
ZS_KEYWORD(TEXTY, CmdTextY, "Text",
    "name:result",
    "Gives the text cursor's y minus the screen origin.",
    "the y position",
    "",
    "SCREENGRAPHICS ok 320 200\nTEXT 'line'\nTEXTY y")

// ---- Variables -------------------------------------------------------------------
ZS_KEYWORD(VARFREE, CmdVarFree, "Variables",
    "name...",
    "Deletes each named variable.",
    "",
    "Needed a variable in command",
    "VARSET a 1\nVARSET b 2\nVARFREE a b")
ZS_KEYWORD(VARLIST, CmdVarList, "Variables",
    "",
    "Writes every variable as NAME=VALUE, in the order they were made, at the text cursor, or into the trace file "
    "while DEBUGFILE traces.",
    "",
    "A window hasn't been created yet",
    "SCREENGRAPHICS ok 320 200\nVARSET a 1\nVARLIST")
ZS_KEYWORD(VARPOP, CmdVarPop, "Variables",
    "",
    "Restores the variables saved by the last VARPUSH; one that did not exist then is deleted.",
    "the saved variables",
    "",
    "VARSET a 1\nVARPUSH a\nVARSET a 2\nVARPOP")
ZS_KEYWORD(VARPUSH, CmdVarPush, "Variables",
    "name...",
    "Saves the current values of the named variables (for example around a GOSUB that uses them); VARPOP restores "
    "them.",
    "",
    "Needed a variable in command; Too many variables pushed in command",
    "VARSET a 1\nVARPUSH a\nVARSET a 2\nVARPOP")
ZS_KEYWORD(VARSET, CmdVarSet, "Variables",
    "name:result [=] value:value",
    "Sets a variable. Names are letters and digits, in any case; values are text. An empty value deletes the "
    "variable. VARSET a = 5, VARSET a 5 and VARSET a b (copies b) are all valid; %NAME% inside quotes is replaced by "
    "that variable's value.",
    "the variable",
    "Needed a variable in command; Needed a parameter in command; Too many variables",
    "VARSET name 'World'\nVARSET greeting 'Hello, %name%!'\nVARSET copy = greeting")

// clang-format on

#undef ZS_KEYWORD

# The bundled ZorbScript presentation: a title, the demo animation played
# centred with fades and its sound, a menu of mouse areas (each with its own
# pointer) and keys, and a bitmap effect on a frame of the animation.
# The build puts it beside demo.zbx; run it with scripts/script-demo.sh or
#   zorbscw build/demo/presentation.zs
# Every wait has a time limit, so it also runs to its end unattended.

# The demo file lies beside this script.
SYSTEMCURRENTSCRIPT me
FILEPIECES dir 0 1 0 0 me
VARSET demo "%dir%demo.zbx"
VARSET effectshown 0

SCREENWINDOWTITLE "Zorblax presentation"
SCREENGRAPHICS ok 400 300
IF ok = 0 GOTO "NOSCREEN"
SCREENFADESPEED 12

# Our colours, kept in a 1 x 1 bitmap's palette: 0 black, 1 black (the
# ground around the animation, an entry it does not use: locked while it
# plays), 2 gold, 3 sky, 4 night blue, 5 button blue, 6 red, 7 grey, 8 white.
BITMAPALLOC pal 1 1
BITMAPSETPALETTEVALUE pal 0 0
BITMAPSETPALETTEVALUE pal 1 0
BITMAPSETPALETTEVALUE pal 8 16777215
BITMAPSETPALETTEVALUE pal 2 4250879
BITMAPSETPALETTEVALUE pal 3 16757880
BITMAPSETPALETTEVALUE pal 4 4200464
BITMAPSETPALETTEVALUE pal 5 9190440
BITMAPSETPALETTEVALUE pal 6 3947750
BITMAPSETPALETTEVALUE pal 7 10526880
GOSUB "PALETTE"

# ---- Title --------------------------------------------------------------------
SCREENCLEAR 4
SCREENFILLEDBOX 24 24 352 3 2
SCREENFILLEDBOX 24 273 352 3 2
TEXTBACKCOLOR 4
TEXTCOLOR 2
TEXTSETXY 148 90
TEXT "Z O R B L A X"
TEXTCOLOR 8
TEXTSETXY 48 130
TEXT "video, sound and scripted presentations"
TEXTCOLOR 7
TEXTSETXY 92 150
TEXT "made with the Zorblax toolkit"
TEXTCOLOR 3
TEXTSETXY 84 240
TEXT "Press a key or click to go on"
INPUTCHARORDELAY k 4000
IF k = "ESCAPE" GOTO "QUIT"
IF k = "ALT F4" GOTO "QUIT"

# ---- The animation: centred, faded in and out, with its sound; Escape ends it
# (on a ground of entry 1, kept black whatever the animation's palette holds)
:PLAY
SCREENFADEOUTCLEAR 1
SCREENPALETTELOCK 1 1 1
ANIMATIONTRACKS 1
ANIMATIONPLAY r -1 -1 1 224 demo
ANIMATIONTRACKS 0
IF r = 0 GOSUB "NODEMO"

# ---- Menu: three mouse areas with their own pointers, and keys ----------------
:MENU
GOSUB "PALETTE"
GOSUB "POINTERS"
SCREENCLEAR 4
TEXTBACKCOLOR 4
TEXTCOLOR 2
TEXTSETXY 172 40
TEXT "M E N U"
VARSET y 90
VARSET label "1   Play again"
GOSUB "BUTTON"
MOUSEADD "PLAY" 120 90 160 32 ptrplay
VARSET y 140
VARSET label "2   Bitmap effect"
GOSUB "BUTTON"
MOUSEADD "EFFECT" 120 140 160 32 ptreffect
VARSET y 190
VARSET label "3   Quit"
GOSUB "BUTTON"
MOUSEADD "QUIT" 120 190 160 32 ptrquit
TEXTBACKCOLOR 4
TEXTCOLOR 7
TEXTSETXY 56 250
TEXT "Click, or press 1 2 3 (F1 F2 F3, Escape)"
INPUTCHARORDELAY k 6000
MOUSEREMOVEALL
IF k = "PLAY" GOTO "PLAY"
IF k = "1" GOTO "PLAY"
IF k = "F1" GOTO "PLAY"
IF k = "EFFECT" GOTO "EFFECT"
IF k = "2" GOTO "EFFECT"
IF k = "F2" GOTO "EFFECT"
# Left alone, the menu shows the effect once and then ends.
IF k = "DELAY" IF effectshown = 0 GOTO "EFFECT"
IF k = "DELAY" GOTO "QUIT"
IF k = "QUIT" GOTO "QUIT"
IF k = "3" GOTO "QUIT"
IF k = "F3" GOTO "QUIT"
IF k = "ESCAPE" GOTO "QUIT"
IF k = "ALT F4" GOTO "QUIT"
GOTO "MENU"

# ---- Bitmap effect: the first frame comes in as venetian blinds, then a -------
# ---- caption is laid over it with a transparent copy ---------------------------
:EFFECT
VARSET effectshown 1
SCREENFADEOUTCLEAR 1
SCREENPALETTELOCK 1 1 1
ANIMATIONLOADTOBITMAP demo pic
IF pic = 0 GOSUB "NODEMO"
IF pic = 0 GOTO "MENU"
BITMAPWIDTH w pic
BITMAPHEIGHT h pic
BITMAPSETPALETTE pic
BITMAPALLOC strip w 1
SCREENWIDTH sw
SCREENHEIGHT sh
COMPUTE x0 = sw - w
COMPUTE x0 = x0 / 2
COMPUTE y0 = sh - h
COMPUTE y0 = y0 / 2
COMPUTE bands = h / 16
VARSET row 0
:ROW
VARSET band 0
:BAND
COMPUTE y = band * 16
COMPUTE y = y + row
BITMAPTOBITMAP strip pic 0 y
COMPUTE sy = y0 + y
BITMAPTOSCREEN strip x0 sy
COMPUTE band = band + 1
IF band < bands GOTO "BAND"
DELAY 30
COMPUTE row = row + 1
IF row < 16 GOTO "ROW"
BITMAPFREE strip
# The caption: text in the picture's brightest colour on a see-through ground.
BITMAPGETBRIGHTESTPALETTEINDEX hi pic
BITMAPALLOC cap w 20
BITMAPCLEAR cap 0
TEXTTRANSCOLOR 0
TEXTBACKCOLOR 0
TEXTCOLOR hi
BITMAPTEXT cap 8 2 "The first frame, in blinds"
TEXTTRANSCOLOR 128
COMPUTE cy = y0 + 6
BITMAPTOSCREENTRANS cap x0 cy 0
BITMAPFREE cap
BITMAPFREE pic
INPUTCHARORDELAY k 3000
SCREENFADEOUTCLEAR 0
IF k = "ESCAPE" GOTO "QUIT"
GOTO "MENU"

:QUIT
SCREENFADEOUTCLEAR 0
END

:NOSCREEN
DEBUGTEXT "The presentation needs a window."
END

# ---- Subroutines -----------------------------------------------------------------
:PALETTE
SCREENPALETTELOCK 1 1 0
BITMAPSETPALETTE pal
RETURN

:NODEMO
GOSUB "PALETTE"
SCREENCLEAR 4
TEXTCOLOR 6
TEXTSETXY 40 140
TEXT "demo.zbx was not found beside the script."
DELAY 2000
RETURN

# A button at y with the text of label.
:BUTTON
SCREENFILLEDBOX 120 y 160 32 5
SCREENBOX 120 y 160 32 3
TEXTBACKCOLOR 5
TEXTCOLOR 8
COMPUTE ty = y + 8
TEXTSETXY 136 ty
TEXT label
RETURN

# The pointers of the three areas (colour 0 is see-through): a gold arrow
# head, a sky-blue star and a red cross, 12 x 12 each; made once.
:POINTERS
IFSET pointersmade = 1 done 1 0
IF done = 1 RETURN
VARSET pointersmade 1
BITMAPALLOC ptrplay 12 12
VARSET i 0
:PLAYPTR
COMPUTE y2 = 11 - i
COMPUTE x2 = i / 2
BITMAPLINE ptrplay x2 i 11 5 2
BITMAPLINE ptrplay x2 y2 11 6 2
COMPUTE i = i + 1
IF i < 6 GOTO "PLAYPTR"
BITMAPALLOC ptreffect 12 12
BITMAPLINE ptreffect 0 0 11 11 3
BITMAPLINE ptreffect 11 0 0 11 3
BITMAPLINE ptreffect 5 0 5 11 3
BITMAPLINE ptreffect 0 5 11 5 3
BITMAPALLOC ptrquit 12 12
BITMAPLINE ptrquit 0 0 11 11 6
BITMAPLINE ptrquit 1 0 11 10 6
BITMAPLINE ptrquit 0 1 10 11 6
BITMAPLINE ptrquit 11 0 0 11 6
BITMAPLINE ptrquit 10 0 0 10 6
BITMAPLINE ptrquit 11 1 1 11 6
RETURN

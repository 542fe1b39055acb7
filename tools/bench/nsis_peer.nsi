; The launcher's splash made with NSIS, as a publisher might make it instead of a program of its own:
; a borderless window of 530 x 360 centred on the screen, the true-colour background, and the three
; at-rest button pictures as picture buttons (pictures that take a click) at the launcher's places.
; A click on the first starts SETUP32.EXE beside the program; any click closes the window. No hover
; pictures and no sounds: what is measured is the way to the first picture.
;
;   makensis -DART=resources/art/true-colour -DOUT=PEER.EXE tools/bench/nsis_peer.nsi
;
; NSIS writes its plug-ins (nsDialogs, System) and, here, the pictures to a folder of its own in the
; temporary folder at every start, and removes it at the end.

Unicode true
Name "Qelvar Lumivane"
Caption "Qelvar Lumivane"
OutFile "${OUT}"
RequestExecutionLevel user
ShowInstDetails nevershow

!include nsDialogs.nsh
!include WinMessages.nsh

Page custom ShowSplash

Var Dialog

Function .onInit
  InitPluginsDir
  File "/oname=$PLUGINSDIR\background.bmp" "${ART}\background.bmp"
  File "/oname=$PLUGINSDIR\install.bmp" "${ART}\install-rest.bmp"
  File "/oname=$PLUGINSDIR\browse.bmp" "${ART}\browse-rest.bmp"
  File "/oname=$PLUGINSDIR\cancel.bmp" "${ART}\cancel-rest.bmp"
FunctionEnd

Function .onGUIInit
  ; The installer's window becomes a borderless popup of the splash's size, centred, holding only the
  ; page: its buttons, texts and lines are hidden.
  GetDlgItem $R0 $HWNDPARENT 1018
  StrCpy $R1 0
  hide_next:
    FindWindow $R1 "" "" $HWNDPARENT $R1
    StrCmp $R1 0 hidden
    StrCmp $R1 $R0 hide_next
    ShowWindow $R1 ${SW_HIDE}
    Goto hide_next
  hidden:
  System::Call "user32::SetWindowLong(p $HWNDPARENT, i ${GWL_STYLE}, i 0x82000000)"  ; WS_POPUP | WS_CLIPCHILDREN
  System::Call "user32::GetSystemMetrics(i 0) i .R2"
  System::Call "user32::GetSystemMetrics(i 1) i .R3"
  IntOp $R2 $R2 - 530
  IntOp $R2 $R2 / 2
  IntOp $R3 $R3 - 360
  IntOp $R3 $R3 / 2
  System::Call "user32::SetWindowPos(p $HWNDPARENT, p 0, i R2, i R3, i 530, i 360, i 0x24)"  ; SWP_NOZORDER | SWP_FRAMECHANGED
  System::Call "user32::SetWindowPos(p R0, p 0, i 0, i 0, i 530, i 360, i 0x4)"
FunctionEnd

Function ShowSplash
  nsDialogs::Create 1018
  Pop $Dialog
  ; The buttons first, so that they lie above the background.
  ${NSD_CreateBitmap} 30 180 90 40 ""
  Pop $0
  ${NSD_SetImage} $0 "$PLUGINSDIR\install.bmp" $1
  ${NSD_OnClick} $0 OnInstall
  ${NSD_CreateBitmap} 30 235 90 40 ""
  Pop $0
  ${NSD_SetImage} $0 "$PLUGINSDIR\browse.bmp" $1
  ${NSD_OnClick} $0 OnClose
  ${NSD_CreateBitmap} 30 290 90 40 ""
  Pop $0
  ${NSD_SetImage} $0 "$PLUGINSDIR\cancel.bmp" $1
  ${NSD_OnClick} $0 OnClose
  ${NSD_CreateBitmap} 0 0 530 360 ""
  Pop $0
  ${NSD_SetImage} $0 "$PLUGINSDIR\background.bmp" $1
  ${NSD_OnClick} $0 OnClose
  nsDialogs::Show
FunctionEnd

Function OnInstall
  Exec '"$EXEDIR\SETUP32.EXE"'
  Call OnClose
FunctionEnd

Function OnClose
  SendMessage $HWNDPARENT ${WM_CLOSE} 0 0
FunctionEnd

; Nothing to install: the page is all there is.
!pragma warning disable 8000
Section
SectionEnd

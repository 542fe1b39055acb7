; The launcher's splash made with NSIS (built by nsis_peer.py, every value a -D define): a borderless window
; of the launcher's size, centred, with the true-colour background and the three at-rest button pictures as
; pictures that take a click. The first starts the setup program; any click closes the window. No hover
; pictures and no sounds. NSIS unpacks its plug-ins and the pictures to the temporary folder at each start.

Unicode true
Name "${PRODUCT_NAME}"
Caption "${PRODUCT_NAME}"
OutFile "${OUT}"
RequestExecutionLevel user
ShowInstDetails nevershow
; The pictures' modification times are not kept: NSIS would store them with the data it compresses, so
; the program's size would depend on when the pictures were written (a byte or two either way).
SetDateSave off

!include nsDialogs.nsh
!include WinMessages.nsh

Page custom ShowSplash

Var Dialog

Function .onInit
  InitPluginsDir
  File "/oname=$PLUGINSDIR\background.bmp" "${BACKGROUND_PICTURE}"
  File "/oname=$PLUGINSDIR\button0.bmp" "${BUTTON0_PICTURE}"
  File "/oname=$PLUGINSDIR\button1.bmp" "${BUTTON1_PICTURE}"
  File "/oname=$PLUGINSDIR\button2.bmp" "${BUTTON2_PICTURE}"
FunctionEnd

Function .onGUIInit
  ; The installer's window becomes a borderless, centred popup holding only the page (all else hidden).
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
  IntOp $R2 $R2 - ${WINDOW_WIDTH}
  IntOp $R2 $R2 / 2
  IntOp $R3 $R3 - ${WINDOW_HEIGHT}
  IntOp $R3 $R3 / 2
  System::Call "user32::SetWindowPos(p $HWNDPARENT, p 0, i R2, i R3, i ${WINDOW_WIDTH}, i ${WINDOW_HEIGHT}, i 0x24)"  ; SWP_NOZORDER | SWP_FRAMECHANGED
  System::Call "user32::SetWindowPos(p R0, p 0, i 0, i 0, i ${WINDOW_WIDTH}, i ${WINDOW_HEIGHT}, i 0x4)"
FunctionEnd

; A picture that takes a click: its place and size, its file in the plug-ins folder, what a click calls.
!macro Picture X Y WIDTH HEIGHT FILE ONCLICK
  ${NSD_CreateBitmap} ${X} ${Y} ${WIDTH} ${HEIGHT} ""
  Pop $0
  ${NSD_SetImage} $0 "$PLUGINSDIR\${FILE}.bmp" $1
  ${NSD_OnClick} $0 ${ONCLICK}
!macroend

Function ShowSplash
  nsDialogs::Create 1018
  Pop $Dialog
  ; The buttons first, so that they lie above the background.
  !insertmacro Picture ${BUTTON0_X} ${BUTTON0_Y} ${BUTTON_WIDTH} ${BUTTON_HEIGHT} button0 OnInstall
  !insertmacro Picture ${BUTTON1_X} ${BUTTON1_Y} ${BUTTON_WIDTH} ${BUTTON_HEIGHT} button1 OnClose
  !insertmacro Picture ${BUTTON2_X} ${BUTTON2_Y} ${BUTTON_WIDTH} ${BUTTON_HEIGHT} button2 OnClose
  !insertmacro Picture 0 0 ${WINDOW_WIDTH} ${WINDOW_HEIGHT} background OnClose
  nsDialogs::Show
FunctionEnd

Function OnInstall
  Exec '"$EXEDIR\${SETUP_PROGRAM}"'
  Call OnClose
FunctionEnd

Function OnClose
  SendMessage $HWNDPARENT ${WM_CLOSE} 0 0
FunctionEnd

; Nothing to install: the page is all there is.
!pragma warning disable 8000
Section
SectionEnd

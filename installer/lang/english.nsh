; English texts of the setup program and the uninstaller.
LangString SecProgram ${LANG_ENGLISH} "Nivora screen saver"
LangString SecScreenSaver ${LANG_ENGLISH} "Make Nivora my screen saver"
LangString UnSecProgram ${LANG_ENGLISH} "Nivora screen saver"
LangString UnSecSettings ${LANG_ENGLISH} "My Nivora settings"
LangString MsgNeeds64BitSetup ${LANG_ENGLISH} "This setup is for 32-bit Windows.$\r$\n$\r$\nThis computer runs 64-bit Windows: please use ${SETUP_X64} instead."
LangString FinishOpenSettings ${LANG_ENGLISH} "Open the screen saver settings"

; 日本語: the Japanese texts of the setup program and the uninstaller.
LangString SecProgram ${LANG_JAPANESE} "Nivora スクリーン セーバー"
LangString SecScreenSaver ${LANG_JAPANESE} "Nivora をスクリーン セーバーに設定する"
LangString UnSecProgram ${LANG_JAPANESE} "Nivora スクリーン セーバー"
LangString UnSecSettings ${LANG_JAPANESE} "Nivora の設定値"
LangString MsgNeeds64BitSetup ${LANG_JAPANESE} "このセットアップは 32 ビット版 Windows 用です。$\r$\n$\r$\nこのコンピューターは 64 ビット版 Windows です。${SETUP_X64} をお使いください。"
LangString FinishOpenSettings ${LANG_JAPANESE} "スクリーン セーバーの設定を開く"

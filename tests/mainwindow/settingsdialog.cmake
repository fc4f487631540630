# The settings dialog over a live main window, and the window's captions in every language.
qmarl_add_test(tst_settingsdialog SOURCES tst_settingsdialog.cpp mainwindowtest.h
               LIBS qmarl_gui qmarl_resources
               ENVIRONMENT "Q_MARL_MPV_OPTIONS=vo=null,hwdec=no,ao=null;Q_MARL_USAGE_ENDPOINT=")
# mainwindowtest.h names the recordings folder; these tests open no recording.
target_compile_definitions(tst_settingsdialog PRIVATE
    QMARL_RECORDINGS="${CMAKE_CURRENT_BINARY_DIR}/recordings")
target_include_directories(tst_settingsdialog PRIVATE
    ${CMAKE_BINARY_DIR}/src/qmarl_gui_autogen/include)
add_dependencies(tst_settingsdialog qmarl_gui)

# The Windows half of the application shell and the program itself.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

tw_library(tw_app_win
  app_services_win.cpp
  client_detection_win.cpp
  desktop_identity_win.cpp
  dialog_win.cpp
  machine_defaults_win.cpp
  message_box_win.cpp
  one_shot_sync_win.cpp
  password_protection_win.cpp
  policy_store_win.cpp
  quit_running_win.cpp
  private_profile_win.cpp
  program_exit_win.cpp
  program_files_win.cpp
  settings_form_win.cpp
  settings_store_win.cpp
  single_instance_win.cpp
  sync_addr_app_win.cpp
  sync_addr_dlg_win.cpp
  sync_log_view_win.cpp
  tray_icon_win.cpp
)
tw_layer_include_dir(resources resources_dir)
target_include_directories(tw_app_win PUBLIC ${resources_dir})
tw_delayed(comctl32)
tw_delayed(crypt32)
target_link_libraries(tw_app_win PUBLIC
  tw_app_core tw_sync_win tw_net_win tw_clients_win tw_common_win
  ole32 oleaut32 uuid shell32 shlwapi user32 gdi32 tw_delayed_comctl32 ws2_32 tw_delayed_version
  tw_delayed_crypt32)

# The version resource takes the project's version.
tw_program(tarnwell_app ${PROJECT_VERSION})
set_target_properties(tarnwell_app PROPERTIES OUTPUT_NAME "Tarnwell地址簿同步")

# The same program for the tests that drive it, which may shorten its
# waits (TW_TEST_*); the one above, which is packaged, never reads them.
tw_program(tarnwell_test_app ${PROJECT_VERSION})
set_target_properties(tarnwell_test_app PROPERTIES OUTPUT_NAME "Tarnwell地址簿同步"
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/test_build)
target_compile_definitions(tarnwell_test_app PRIVATE TW_TEST_BOUNDS)

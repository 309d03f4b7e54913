# Which layer may link what. Included at the end of the top-level
# CMakeLists.txt, when every target exists; each rule walks the target's
# link libraries transitively (private links of static libraries included)
# and the test link_rules fails naming every forbidden link it found.

# Every target, library name or file that target links, directly or through others.
function(tervik_collect_links target out)
  set(seen)
  set(pending)
  get_target_property(direct ${target} LINK_LIBRARIES)
  if(direct)
    list(APPEND pending ${direct})
  endif()
  get_target_property(iface ${target} INTERFACE_LINK_LIBRARIES)
  if(iface)
    list(APPEND pending ${iface})
  endif()
  while(pending)
    list(POP_FRONT pending item)
    # $<LINK_ONLY:x> is how a static library carries its private links.
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(item MATCHES "^::@" OR item STREQUAL "")
      continue()
    endif()
    set(names ${item})
    if(item MATCHES "\\$<")
      # Any other expression: the names inside it that are targets.
      string(REGEX MATCHALL "[A-Za-z0-9_.+-]+(::[A-Za-z0-9_.+-]+)?" names "${item}")
    endif()
    foreach(name IN LISTS names)
      if(name IN_LIST seen)
        continue()
      endif()
      if(item MATCHES "\\$<" AND NOT TARGET ${name})
        continue()
      endif()
      list(APPEND seen ${name})
      if(TARGET ${name})
        get_target_property(alias ${name} ALIASED_TARGET)
        if(alias)
          list(APPEND pending ${alias})
        endif()
        get_target_property(more ${name} INTERFACE_LINK_LIBRARIES)
        if(more)
          list(APPEND pending ${more})
        endif()
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Appends to TERVIK_LINK_VIOLATIONS every link of target matching regex.
function(tervik_forbid_links target regex why)
  if(NOT TARGET ${target})
    return()
  endif()
  tervik_collect_links(${target} links)
  foreach(link IN LISTS links)
    if(link MATCHES "${regex}")
      set_property(GLOBAL APPEND PROPERTY TERVIK_LINK_VIOLATIONS "${target} links ${link} (${why})")
    endif()
  endforeach()
endfunction()

# Appends to TERVIK_LINK_VIOLATIONS every Qt module target links that is not
# in the list allowed (module names such as Core Gui).
function(tervik_allow_only_qt target allowed why)
  if(NOT TARGET ${target})
    return()
  endif()
  tervik_collect_links(${target} links)
  foreach(link IN LISTS links)
    if(link MATCHES "^Qt[0-9]*::([A-Za-z]+)$" AND NOT CMAKE_MATCH_1 IN_LIST allowed)
      set_property(GLOBAL APPEND PROPERTY TERVIK_LINK_VIOLATIONS "${target} links ${link} (${why})")
    endif()
  endforeach()
endfunction()

# Appends to TERVIK_LINK_VIOLATIONS every target that target links which is
# defined in folder (relative to the source root), and each of target's own
# sources and include folders inside it: target must not depend on that
# folder's code or headers.
function(tervik_forbid_folder target folder why)
  if(NOT TARGET ${target})
    return()
  endif()
  set(root "${PROJECT_SOURCE_DIR}/${folder}")
  tervik_collect_links(${target} links)
  foreach(link IN LISTS links)
    if(TARGET ${link})
      get_target_property(dir ${link} SOURCE_DIR)
      string(FIND "${dir}/" "${root}/" at)
      if(at EQUAL 0)
        set_property(GLOBAL APPEND PROPERTY TERVIK_LINK_VIOLATIONS "${target} links ${link} of ${folder}/ (${why})")
      endif()
    endif()
  endforeach()
  get_target_property(dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  get_target_property(includes ${target} INCLUDE_DIRECTORIES)
  foreach(path IN LISTS sources includes)
    if(path AND NOT IS_ABSOLUTE "${path}")
      set(path "${dir}/${path}")
    endif()
    string(FIND "${path}/" "${root}/" at)
    if(path AND at EQUAL 0)
      set_property(GLOBAL APPEND PROPERTY TERVIK_LINK_VIOLATIONS "${target} uses ${path} (${why})")
    endif()
  endforeach()
endfunction()

set(tervik_any_qt "^Qt[0-9]*::|libQt|^Qt[0-9]*[A-Z]")
set(tervik_widgets "^Qt[0-9]*::Widgets$|libQt[0-9]*Widgets")

tervik_forbid_links(tervik_archive "${tervik_any_qt}" "the archive layer is C++ only")
tervik_forbid_links(tervik_instrument "${tervik_any_qt}" "the instrument layer is C++ only")
tervik_forbid_links(tervik_strings "${tervik_any_qt}" "the string table is C++ only")
tervik_forbid_links(tervik_cli_files "${tervik_any_qt}" "info, export, stats, save and save-all need no Qt")
tervik_forbid_links(tervik_captions "${tervik_any_qt}" "the Y caption is C++ only")
tervik_forbid_links(tervik_xlsx "${tervik_any_qt}" "the workbook writer is C++ only")
tervik_forbid_links(tervik_cli_device "${tervik_any_qt}" "devices and read need no Qt")
tervik_forbid_links(tervik_dialog_units "${tervik_widgets}" "dialog units need font metrics only")
# Arrows run one way: app -> main window -> {device dialog, chart,
# presentation, list table, GUI support} -> {archive, instrument, strings}.
set(tervik_windows "^tervik_(app|app_core|main_window)$")
foreach(t tervik_device_dialog tervik_chart tervik_chart_core tervik_presentation tervik_report
          tervik_list_table tervik_gui_support tervik_prompts tervik_dialog_units)
  tervik_forbid_links(${t} "${tervik_windows}" "only the main window and the application sit above it")
endforeach()
foreach(t tervik_gui_support tervik_prompts tervik_dialog_units)
  tervik_forbid_links(${t} "^tervik_(chart|chart_core|presentation|report|device_dialog|list_table)$"
                      "GUI support sits below every window")
endforeach()
tervik_forbid_links(tervik_main_window "^tervik_(app|app_core)$" "the start-up runs the main window, not the other way")
# The simulated instrument is a transport backend with its own generator:
# neither it nor the instrument layer takes code from tools/, and the
# instrument layer does not know it.
foreach(t tervik_instrument tervik_simulator tervik_gen kx208m-sim)
  tervik_forbid_folder(${t} tools "the instrument and its simulator need nothing of tools/")
endforeach()
tervik_forbid_links(tervik_instrument "^tervik_(simulator|gen)$" "the simulator plugs into the instrument layer, not the other way")

# Neither the chart's core nor tervik-cli may link Qt Widgets.
if(TARGET tervik_chart_core)
  tervik_forbid_links(tervik_chart_core "${tervik_widgets}" "the chart core is QtGui at most")
  # Qt Svg draws the vector pictures and needs no more than Qt Gui.
  tervik_allow_only_qt(tervik_chart_core "Core;Gui;Svg" "the chart core is QtGui and QtSvg at most")
  tervik_forbid_links(tervik_chart_core "^tervik_(prompts|archive|strings|chart)$"
                      "the chart core knows nothing of records, texts or dialogs")
  tervik_forbid_links(tervik-cli "${tervik_any_qt}" "tervik-cli hands the drawing commands to tervik-cli-draw")
  tervik_forbid_links(tervik-cli-draw "${tervik_widgets}" "the drawing commands run without widgets")
  # The report draws through the chart's core, never its window.
  tervik_forbid_links(tervik_report "${tervik_widgets}" "the report needs no widgets")
  tervik_forbid_links(tervik_report "^tervik_(chart|prompts|gui_support)$" "the report draws through the chart core")
endif()

if(TERVIK_BUILD_TESTS)
  get_property(violations GLOBAL PROPERTY TERVIK_LINK_VIOLATIONS)
  list(JOIN violations "|" violations)
  add_test(NAME link_rules
           COMMAND ${CMAKE_COMMAND} "-DVIOLATIONS=${violations}" -P ${CMAKE_CURRENT_LIST_DIR}/LinkRulesReport.cmake)
  # The programs as built: tervik-cli loads no Qt library at all (the
  # drawing program, which does load Qt Gui, shows that the check sees
  # them), and neither loads Qt Widgets.
  if(TARGET tervik-cli-draw)
    add_test(NAME cli_loads_no_qt
             COMMAND sh -c "ldd \"$<TARGET_FILE:tervik-cli-draw>\" | grep -q libQt6Gui && \
                            ! ldd \"$<TARGET_FILE:tervik-cli-draw>\" | grep libQt6Widgets && \
                            ! ldd \"$<TARGET_FILE:tervik-cli>\" | grep libQt6")
  endif()
endif()

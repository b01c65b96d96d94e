# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every message of miravel-make marked for translation (Tr,
# TrNoop) has a Russian text in po/ru.po: the messages are extracted afresh
# with xgettext and compared with msgcmp, which counts an untranslated or
# fuzzy message as missing. Run by CTest (tests/tools/CMakeLists.txt).
set(pot ${WORK_DIR}/miravel-make-current.pot)
execute_process(
  COMMAND ${XGETTEXT} ${XGETTEXT_ARGS} --output=${pot}
          src/core/authoring/parser.cpp tools/miravel-make/main.cpp
          tools/miravel-make/fit_check.cpp tools/miravel-make/screen_check.cpp
          tools/miravel-make/report_password_setting.cpp
          tools/preview/main.cpp
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "xgettext failed")
endif()
execute_process(COMMAND ${MSGCMP} ${SOURCE_DIR}/po/ru.po ${pot} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "po/ru.po lacks the Russian text of the messages above: update it with "
                      "`cmake --build <build> --target miravel-make-pot` and msgmerge (see po/README.md)")
endif()
execute_process(COMMAND ${MSGFMT} --check --output-file=/dev/null ${SOURCE_DIR}/po/ru.po RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "po/ru.po does not compile")
endif()

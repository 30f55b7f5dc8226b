# Runs the include check on a small tree with one file per case and compares its whole
# listing of faults: every fault found, in order, and nothing else.
#   cmake -DCHECK=<CheckIncludes.cmake> -DWORK=<scratch dir> -P check_includes_test.cmake

# "file|include line" cases; the graph below says who may use what.
set(cases
  "platform/Wnd.cpp|#include <QWidget>"
  "platform/Wnd.cpp|#include <QtCore/QString>"
  "imaging/Ds.cpp|#include <dcmtk/config/osconfig.h>"
  "imaging/Ds.cpp|#include <queue>"
  "image/Leak.cpp|#include <dcmtk/dcmdata/dctk.h>"
  "image/Leak.cpp|#  include \"dcmtk/ofstd/ofstring.h\""
  "image/Up.h|#include \"output/CStitchDicomFile.h\""
  "output/Down.cpp|#include \"image/CBaseImage.h\""
  "config/Widget.h|#include <QWidget>"
  "caption/Paint.cpp|#include <QtGui/QPainter>"
  "app/main.cpp|#include <qt6/QtCore/QString>"
  "app/main.cpp|#include \"dialog/CDlgStitchDicom.h\""
  "tests/x_test.cpp|#include \"output/CStitchDicomFile.h\""
  "tests/x_test.cpp|#include <QApplication>"
  "tests/data/fixture.cpp|#include <QApplication>"
  "build/app/moc_x.cpp|#include <QObject>"
)
set(graph "platform - qt\nimaging platform dcmtk\nimage platform,imaging -\n"
          "output platform,imaging,image -\nconfig platform -\ncaption platform -\n"
          "dialog platform,output,config -\napp platform,imaging,image,output,dialog -\n")
set(expected
  "app/main.cpp: qt header <qt6/QtCore/QString> outside the folders linking it"
  "caption/Paint.cpp: qt header <QtGui/QPainter> outside the folders linking it"
  "config/Widget.h: qt header <QWidget> outside the folders linking it"
  "image/Leak.cpp: dcmtk header <dcmtk/dcmdata/dctk.h> outside the folders linking it"
  "image/Leak.cpp: dcmtk header \"dcmtk/ofstd/ofstring.h\" outside the folders linking it"
  "image/Up.h: includes \"output/CStitchDicomFile.h\", but image does not link output"
  "tests/x_test.cpp: qt header <QApplication> outside the folders linking it"
)

file(REMOVE_RECURSE ${WORK})
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 path)
  list(GET fields 1 line)
  file(APPEND ${WORK}/tree/${path} "${line}\n")
endforeach()
file(MAKE_DIRECTORY ${WORK}/tree/dialog ${WORK}/tree/output)
file(WRITE ${WORK}/graph.txt ${graph})

execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${WORK}/tree -DGRAPH=${WORK}/graph.txt -P ${CHECK}
                RESULT_VARIABLE result ERROR_VARIABLE listing OUTPUT_QUIET)
list(JOIN expected "\n" expected)
string(FIND "${listing}" "${expected}\nCMake Error" at)
if(result EQUAL 0 OR NOT at EQUAL 0 OR NOT listing MATCHES "7 include\\(s\\) break the module graph")
  message(FATAL_ERROR "expected a failure listing exactly\n${expected}\ngot (status ${result})\n${listing}")
endif()

# A tree that keeps the graph passes.
file(REMOVE_RECURSE ${WORK}/tree/app ${WORK}/tree/caption ${WORK}/tree/config ${WORK}/tree/image
                    ${WORK}/tree/tests/x_test.cpp)
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${WORK}/tree -DGRAPH=${WORK}/graph.txt -P ${CHECK}
                RESULT_VARIABLE result ERROR_VARIABLE listing OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "a tree keeping the graph failed the check:\n${listing}")
endif()

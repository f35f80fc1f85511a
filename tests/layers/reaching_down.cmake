# The layer of renaming, as the build gives it, over a source that reaches past it.
set(LIBRARY renaming)
set(FOLDERS "renaming;platform")
set(SOURCES ${CMAKE_CURRENT_LIST_DIR}/reaching_down.cpp)
set(QT_MODULES Core)
set(POSIX OFF)
set(MODELS OFF)

# The worker-thread kit of the Windows programs (Windows builds only):
# included from the top CMakeLists.txt.
add_library(WorkerThread STATIC ${CMAKE_CURRENT_LIST_DIR}/WorkerThread.cpp)
target_include_directories(WorkerThread PUBLIC ${CMAKE_CURRENT_LIST_DIR})

# cmake -DSTAGE=<installed tree> -DOUT=<file.nsh> -P SetupFileList.cmake
# Writes the uninstaller's part of the setup program: a Delete for every file of the staged
# installation, then an RMDir for every folder, deepest first (RMDir without /r removes a
# folder only when it is empty, so nothing the setup program did not put there is lost).
file(GLOB_RECURSE files RELATIVE "${STAGE}" LIST_DIRECTORIES true "${STAGE}/*")
set(deletes "")
set(folders "")
foreach(path ${files})
    string(REPLACE "/" "\\" windows_path "${path}")
    if(IS_DIRECTORY "${STAGE}/${path}")
        list(APPEND folders "${windows_path}")
    else()
        string(APPEND deletes "Delete \"$INSTDIR\\${windows_path}\"\n")
    endif()
endforeach()
# Deepest first: a longer path of the same branch sorts after its parent, so the reversed order
# puts every folder before the one that holds it.
list(SORT folders)
list(REVERSE folders)
set(rmdirs "")
foreach(folder ${folders})
    string(APPEND rmdirs "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()
file(WRITE "${OUT}" "; Made by cmake/SetupFileList.cmake from the staged installation.\n${deletes}${rmdirs}")

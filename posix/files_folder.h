/*
** The folder the POSIX file layer works in, as an open descriptor of it;
** AT_FDCWD (the default) is the working folder. A tool that runs the core
** over files of another folder sets it rather than change the process's
** working folder, and puts AT_FDCWD back afterwards.
*/
#ifndef MERIDOKA_POSIX_FILES_FOLDER_H
#define MERIDOKA_POSIX_FILES_FOLDER_H

void files_folder_set(int folder);

#endif

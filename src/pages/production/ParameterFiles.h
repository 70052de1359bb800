#pragma once
// The parameter files of the production page's list: the "*.ini" files of the folder of the
// chosen file (IniFilePath of [General Info] in MPToolSetting.ini), or of
// ".\Configuration\Param\" while none is chosen. The chosen file is copied over the working copy
// ".\paramFDB.ini", which the engine reads.
#include <string>
#include <vector>

std::string ParameterFolder();
// The path of the chosen file (a bare file name lies in ".\Configuration\Param\"); empty when
// none is chosen.
std::string ChosenParameterPath();
// File names, sorted as the folder lists them.
std::vector<std::string> ListParameterFiles();
// The file name of the chosen file (empty when none is chosen).
std::string ChosenParameterFile();
// Copies the chosen file over the working copy, which is left writable whatever the mode of
// the chosen file, and notes the copy's origin for the messages that name a key of it
// (settings::NoteCopyOrigin). "" when copied; otherwise why not ("<chosen file> cannot be
// copied to .\paramFDB.ini (<the system's reason>)"), the copy's text unchanged.
std::string CopyChosenParameterFile();
// Makes the named file of the folder the chosen one and copies it: "" when copied, otherwise
// why not, as above.
std::string ChooseParameterFile(const std::string& fileName);

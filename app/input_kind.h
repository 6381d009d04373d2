// Files given to -pdb that another option reads: a coupling table or free-format coordinates.
#pragma once

namespace korim::app {

// After -pdb read no atom from pdbName, or refused it: when the file is a coupling table (a VARS
// line naming RESID_I or ATOMNAME_I) or free-format coordinates (ATOM records of blank-separated
// serial, atom name, residue name, residue number and three coordinates), one line on stderr
// names the option that reads it, and the result is true; otherwise nothing is written (false).
bool nameReaderOfFile(const char* pdbName);

}  // namespace korim::app

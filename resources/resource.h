// Ids of the program's resources and dialog controls, named once.
#pragma once

#define IDI_SETUP 1

// "QueryPathBox"
#define IDC_PATH_EDIT        101
#define IDC_PATH_PROGRAM     102
#define IDC_PATH_LABEL       327

// "UnpackBox"
#define IDC_UNPACK_ARCHIVE   320
#define IDC_UNPACK_FILE      321
#define IDC_UNPACK_PERCENT   322
#define IDC_UNPACK_GROUP     323
#define IDC_UNPACK_BAR       324
#define IDC_UNPACK_FILELABEL 325
#define IDC_UNPACK_ARCLABEL  326

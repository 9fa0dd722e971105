/* The program file's version data, shared by the Windows resource script (Version.rc) and
   the Linux build, which compiles the same block into the executable (VersionData.cpp).
   Plain preprocessor definitions, since the resource compiler reads this file too. */
#ifndef VISTREL_VERSION_H
#define VISTREL_VERSION_H

#define VISTREL_VERSION_PARTS 3, 3, 3, 3
#define VISTREL_VERSION_TEXT "3.3.3.3"

#define VISTREL_COMPANY_NAME "Vistrel"
#define VISTREL_FILE_DESCRIPTION "Vistrel eye-rest reminder"
#define VISTREL_INTERNAL_NAME "Vistrel"
#define VISTREL_LEGAL_COPYRIGHT "Copyright (C) The Vistrel authors"
#define VISTREL_LEGAL_TRADEMARKS ""
#define VISTREL_PRODUCT_NAME "Vistrel 3"
#define VISTREL_COMMENTS "Rest your eyes."
#ifdef _WIN32
#define VISTREL_ORIGINAL_FILENAME "Vistrel.exe"
#else
#define VISTREL_ORIGINAL_FILENAME "Vistrel"
#endif

/* U.S. English, Windows Latin-1: the one translation, naming the one string table. */
#define VISTREL_VERSION_LANGUAGE 0x0409
#define VISTREL_VERSION_CODEPAGE 1252
#define VISTREL_VERSION_TABLE "040904E4"

#endif

// The windowed splitter's string table (Strings.rc): every text it shows.
#pragma once

#define IDS_ABOUT 100

// The media list: each entry's ID is also the key of its chunk size.
#define IDS_MEDIA_525_180K 1024
#define IDS_MEDIA_525_360K 1025
#define IDS_MEDIA_35_720K 1026
#define IDS_MEDIA_525_1200K 1027
#define IDS_MEDIA_35_1440K 1028
#define IDS_MEDIA_ZIP_95M 1029
#define IDS_MEDIA_USER 1030
#define IDS_MEDIA_525_160K 1031
#define IDS_MEDIA_525_320K 1032

#define IDS_OVERWRITE 2048
#define IDS_CREATING_CHUNK 2049
#define IDS_CHUNK_LINE 2050
#define IDS_NO_SPACE 2051
#define IDS_CANNOT_CREATE 2052
#define IDS_WRITE_ERROR 2053
#define IDS_PRODUCED 2054
#define IDS_ABORTED_LABEL 2055
#define IDS_NO_INPUT 2056

// A failed split: one text per engine code.
#define IDS_ERR_UNKNOWN 2064
#define IDS_ERR_OUTPUT_TOO_SMALL 2065
#define IDS_ERR_READ_INPUT 2066
#define IDS_ERR_ABORTED 2067
#define IDS_ERR_NO_SELF_EXTRACTOR 2068
#define IDS_ERR_INPUT_TOO_LARGE 2069
#define IDS_ERR_CHUNK_IS_INPUT 2070
#define IDS_ERR_BAD_FILE_NAME 2071
#define IDS_ERR_NAME_TOO_LONG 2072
#define IDS_ERR_OUT_OF_MEMORY 2073
#define IDS_ERR_NO_THREAD 2074

#define IDS_YES 16384
#define IDS_NO 16385
#define IDS_YES_TO_ALL 16386

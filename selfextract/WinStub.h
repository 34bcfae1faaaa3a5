// Resource ids of the self-extractor stub.
#pragma once

#define IDD_EXTRACTOR 101
#define IDI_EXTRACTOR 102
#define IDC_PROGRESS 1000
#define IDC_STATUS1 1001
#define IDC_STATUS2 1002

// The image values of the module state.
#include "sentrel/core/ModuleState.h"

constinit SENTREL_STATE gSentrel = {
    .FirstCheckPending = TRUE,
    .SupervisorPromptPending = TRUE,
    .SupervisorPasswordSet = FALSE,
    .PowerOnPasswordSet = FALSE,
    .UserLevelAccess = FALSE,
    .SupervisorPromptSkipped = FALSE,
    .HddUserPasswordSet = {0, 0, 0},
    .HddMasterPasswordSet = {0, 0, 0},
    .DefaultMasterProbePending = {1, 1, 1},
    .MasterPasswordChanged = {0, 0, 0},
    .PowerOnPasswordText = {},
    .PromptFeedbackEnabled = FALSE,
    .PowerOnDigestValid = FALSE,
    .PowerOnDigest = {},
    .HddUnlockRecords = {},
    .HddDeviceTable = NULL,
    .HddPortMap = NULL,
    .HddService = NULL,
    .Hash = NULL,
    .EntryFlag = NULL,
    .Protocol = NULL,
};

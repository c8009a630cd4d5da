// Temporary bodies so that callers can link while the database is being built.
#include "storix32.h"
extern "C" int32_t QBX_CreateDatabase(int32_t /*mode*/, const char* /*file_name*/, int32_t /*channels*/) { return kDbNotOpen; }
extern "C" int32_t QBX_RemoveDatabase(int32_t /*delete_file*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetCacheFlags(int32_t /*enable*/, int32_t /*reserved1*/, int32_t /*cache_size*/, int32_t /*reserved2*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetDatabaseMessageHandler(DbMessageHandler /*handler*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseMaxChans(void) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseMaxLen(void) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanConfig(int32_t /*channel*/, DbChannelHeader* /*out*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetDatabaseChanConfig(int32_t /*channel*/, const DbChannelHeader* /*in*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanMaxLen(int32_t /*channel*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanCurrLen(int32_t /*channel*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetDatabaseChanCurrLen(int32_t /*channel*/, int32_t /*length*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanUsageFlag(int32_t /*channel*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetDatabaseChanUsageFlag(int32_t /*channel*/, int32_t /*flag*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetDatabaseChanAlias(int32_t /*channel*/, int32_t /*alias*/) { return kDbNotOpen; }
extern "C" double QBX_GetDatabaseChanModified(int32_t /*channel*/) { return -99.0; }
extern "C" int32_t QBX_SetDatabaseChanModified(int32_t /*channel*/, double /*stamp*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetTimerCallback(DbTimeStampCallback /*callback*/) { return kDbNotOpen; }
extern "C" int32_t QBX_SetDatabaseChanText(int32_t /*channel*/, int32_t /*which*/, const char* /*text*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanText(int32_t /*channel*/, int32_t /*which*/, char* /*out*/) { return kDbNotOpen; }
extern "C" int32_t QBX_CopyDatabaseChanText(int32_t /*to_channel*/, int32_t /*from_channel*/, int32_t /*which*/) { return kDbNotOpen; }
extern "C" int32_t QBX_WriteToDatabase(int32_t /*channels*/, const int32_t* /*channel_list*/, const double* /*data*/, int32_t /*position*/, int32_t /*count*/) { return kDbNotOpen; }
extern "C" int32_t QBX_WriteToDatabaseEx(int32_t /*channels*/, const int32_t* /*channel_list*/, const int32_t* /*counts*/, const double* /*data*/, int32_t /*position*/) { return kDbNotOpen; }
extern "C" int32_t QBX_WriteToDatabaseBin(int32_t /*channel*/, int32_t /*count*/, const double* /*data*/, int32_t /*position*/) { return kDbNotOpen; }
extern "C" int32_t QBX_ReadFromDatabase(int32_t /*channel*/, int32_t /*start*/, int32_t /*count*/, double* /*out*/) { return kDbNotOpen; }
extern "C" int32_t QBX_ReadFromDatabaseBin(int32_t /*channel*/, int32_t /*start*/, int32_t /*count*/, void* /*out*/) { return kDbNotOpen; }
extern "C" int32_t QBX_DatabasePutString(int32_t /*channel*/, int32_t /*position*/, const char* /*text*/) { return kDbNotOpen; }
extern "C" int32_t QBX_DatabaseGetString(int32_t /*channel*/, int32_t /*position*/, char* /*out*/) { return kDbNotOpen; }
extern "C" int32_t QBX_ShiftDBTextChan(int32_t /*channel*/, int32_t /*from*/, int32_t /*count*/, int32_t /*insert*/) { return kDbNotOpen; }
extern "C" int32_t QBX_ClearDBTextChan(int32_t /*channel*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanMin(int32_t /*channel*/, double* /*value*/, int32_t* /*position*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanMax(int32_t /*channel*/, double* /*value*/, int32_t* /*position*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanMean(int32_t /*channel*/, double* /*value*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetDatabaseChanSTD(int32_t /*channel*/, double* /*value*/) { return kDbNotOpen; }
extern "C" int32_t QBX_Chan2String(int32_t /*channel*/, void* /*out*/, int32_t /*type*/) { return kDbNotOpen; }
extern "C" int32_t QBX_String2Chan(int32_t /*channel*/, const void* /*data*/, int32_t /*type*/, int32_t /*count*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetFreeDiskSpace(const char* /*path*/) { return kDbNotOpen; }
extern "C" int32_t QBX_GetFreeDiskSpaceEx(const char* /*path*/, float* /*total*/, float* /*free_bytes*/) { return kDbNotOpen; }

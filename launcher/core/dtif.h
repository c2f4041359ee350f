// The result record of the running service request: a worker thread fills
// it and publishes its finished word last; the request queue's one-second
// poll reads the finished word first and hands the rest to the main window.
#pragma once

struct DtIf {
    int   nReadedSize;   // bytes received so far (pack and version requests)
    int   nFileSize;     // total size being received
    int   nReturn;       // -1 while the request runs, else the worker's result code
    int   nPostRet;      // what the POST returned (not read by the queue)
    char* pRecvBuf;      // the reply of a POST, handed on with the posted message
    int   nRecvSize;     // bytes of reply in it
};

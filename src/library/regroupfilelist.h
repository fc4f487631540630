#pragma once

#include <QList>

class HWDeviceTreeView;
class LuFileInfoModel;

// After every change of the library: sorts and links the models, stores them as the last
// session's files and has the file list rebuild its rows (view may be null).
void regroupFileList(QList<LuFileInfoModel *> &list, HWDeviceTreeView *view);

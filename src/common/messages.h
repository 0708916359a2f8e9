// The message catalogue: every text the driver shows to a user, hands to the host or writes to
// its log. The texts are written here in UTF-8 and handed out in GBK, converted once.
#pragma once

#include <cstdint>
#include <string>

namespace vdinv {

// X(id, utf-8 text)
#define VDINV_MESSAGES(X)                                       \
  /* host entry points */                                       \
  X(InvalidTagList, "无效的标签列表。")                         \
  X(InvalidParameterBlock, "无效的参数信息。")                  \
  X(GuardEventMissing, "TLSEvent = 0")                          \
  X(ConcurrentInit, "设备不支持并发访问，共享冲突。")           \
  X(DeviceNotInitialised, "通讯设备初始化失败")                 \
  /* models */                                                  \
  X(ModelG11S, "G11S")                                          \
  X(ModelP11S, "P11S")                                          \
  X(ModelNone, "无效")                                          \
  /* module information defaults */                             \
  X(DefaultDeviceName, "无名设备")                              \
  X(DefaultDevTypeName, "其他设备")                             \
  X(DefaultDevIDName, "设备号")                                 \
  X(DefaultChName, "通道")                                      \
  X(DefaultChIDName, "通道号")                                  \
  X(DefaultSlotName, "槽")                                      \
  X(DefaultSlotIDName, "槽号")                                  \
  X(DefaultBitName, "位")                                       \
  X(DefaultBitIDName, "位号")                                   \
  X(DefaultThirdSegName, "第三段")                              \
  X(DefaultThirdSegIDName, "第三段")                            \
  X(DefaultFourSegName, "第四段地址")                           \
  X(DefaultFourSegIDName, "第四段地址")                         \
  X(DefaultFiveSegName, "第五段")                               \
  X(DefaultFiveSegIDName, "第五段地址")                         \
  /* the driver's own version entries */                        \
  X(OwnDeviceName, "富士变频器")                                \
  X(OwnDevTypeName, "变频器")                                   \
  X(OwnDevIDName, "设备号")                                     \
  X(OwnChIDName, "通道地址")                                    \
  X(OwnChName, "通道")                                          \
  X(OwnBitName, "位")                                           \
  X(OwnBitIDName, "位号")                                       \
  X(OwnFileDescription, "富士变频器通讯驱动程序")               \
  X(OwnProductName, "VD_Inv 富士变频器驱动")                    \
  X(OwnLegalCopyright, "版权所有 (C) VD_Inv 开发组")            \
  X(OwnCompanyName, "VD_Inv 开发组")                            \
  /* log: general */                                            \
  X(FullColon, "：")                                            \
  X(ExceptionSuffix, "异常！")                                  \
  X(DevicePresent, "：工程中存在")                              \
  X(NumberSuffix, "号")                                         \
  X(DeviceLoadFailed, "：设备加载失败！")                       \
  X(ValidTagCount, "：有效标签个数=")                           \
  X(MaxReplyTimeout, "：通讯最大允许超时时间=")                 \
  X(NoValidTag, "驱动程序加载失败：无合法标签！")               \
  /* log: start banner */                                       \
  X(MemoryLoad, "：已使用内存 = ")                              \
  X(TotalPhysical, "：总物理内存 = ")                           \
  X(AvailablePhysical, "：可用物理内存 = ")                     \
  X(TotalVirtual, "：总虚拟内存 = ")                            \
  X(AvailableVirtual, "：可用虚拟内存 = ")                      \
  X(Starting, "：启动")                                         \
  X(FileVersionOpen, "[文件版本")                               \
  X(BannerEllipsis, "]  ...")                                   \
  X(StartingDriver, "：启动驱动程序")                           \
  X(DriverVersion, "：驱动程序版本")                            \
  X(BannerOpen, "：[")                                          \
  X(BannerClose, "]")                                           \
  X(BannerOsClose, "] ")                                        \
  X(PercentSuffix, " %")                                        \
  X(MegabyteSuffix, " MB")                                      \
  X(StartEllipsis, "  ...")                                     \
  X(LineThreadMode, "：通讯在独立线程中运行")                   \
  /* system information */                                      \
  X(OsBuildOpen, "(Build ")                                     \
  X(OsBuildClose, ")")                                          \
  /* log: run report */                                         \
  X(ReportTag, "：标签")                                        \
  X(ReportAddress, "，地址=")                                   \
  X(ReportScanPeriod, "，读扫描周期(毫秒)=")                    \
  X(ReportReadFailRate, "，读操作失败率= ")                     \
  X(ReportWriteTotal, "，写操作总次数=")                        \
  X(ReportWriteFailRate, "，写操作失败率= ")                    \
  X(ReportRunTime, "：本次运行总时间（毫秒）=")                 \
  X(ReportReadFailTotal, "：读操作失败总次数= ")                \
  X(ReportWriteFailTotal, "：写操作失败总次数= ")               \
  X(ReportWriteCommTotal, "：写通讯总次数= ")                   \
  X(ReportWriteTimeouts, "：通讯写超时总次数= ")                \
  X(ReportWriteTimeoutRate, "：通讯写超时率= ")                 \
  X(ReportReadCommTotal, "：读通讯总次数= ")                    \
  X(ReportReadTimeouts, "：通讯读超时次数= ")                   \
  X(ReportReadTimeoutRate, "：通讯读超时率= ")                  \
  X(ReportDriverVersion, "驱动程序版本")                        \
  X(ReportExit, "退出运行！")                                   \
  /* protocol layer log */                                      \
  X(MaxTagsPerFrame, "：最长通讯报包含的标签个数=")             \
  X(FrameTotal, "：包含的通讯报总计=")                          \
  X(ValidTagTotal, "：有效标签个数共计=")                       \
  X(CountUnit, "个")                                            \
  X(FrameUnit, "条")                                            \
  /* log: command list */                                       \
  X(WriteNotDone, "：标签写入请求未执行：")                     \
  X(DuplicateWrite, "重复写入,")                                \
  X(LogAddress, " 地址=")                                       \
  X(LogTagValue, ", 标签值=")                                   \
  X(LogModelIs, "类型=")                                        \
  X(LogComma, "，")                                             \
  X(LogWriteValue, "写入值=")                                   \
  X(WriteFrameBuilt, "]生成写标签命令串=")                      \
  X(ReadCommandBuilt, "]生成读标签命令=")                       \
  X(ReadFrameBuilt, "]生成读标签命令串=")                       \
  /* log: write requests */                                     \
  X(WriteTagMissing, "：写标签错误,标签不存在!")                \
  X(WriteTag, "：标签")                                         \
  X(WriteNotWritable, "不可写!")                                \
  X(WriteWrongType, "写错误,")                                  \
  X(WriteNotAnalog, "标签不是模拟量类型!")                      \
  X(WriteNotSwitch, "标签不是开关量类型!")                      \
  X(WriteNotString, "标签不是字符串类型!")                      \
  X(WriteNotHexText, "写入值不是1到4位十六进制数!")             \
  X(WriteNotWord, "写入值不是0到65535之间的数!")                \
  X(WriteQueueFull, "写队列已满,写命令被丢弃!")                 \
  X(WriteSameValue, "写入值与当前值相同,")                      \
  X(WriteInProgress, "正在执行写入操作,")                       \
  X(WriteOverride, "：标签执行覆盖写入操作：")                  \
  /* tag addresses */                                           \
  X(AddrTag, "：标签")                                          \
  X(AddrHint, "提示：地址=")                                    \
  X(AddrMissing, "中缺少")                                      \
  X(AddrDefault, "，系统采用缺省值")                            \
  X(AddrError, "错误：标签地址")                                \
  X(AddrIn, "中")                                               \
  X(AddrOf, "的")                                               \
  X(AddrIllegal, "非法。")                                      \
  X(AddrNoType, "指定不存在的标签类型。")                       \
  X(AddrDevice, "所指定的")                                     \
  X(AddrNoDevice, "不存在。")                                   \
  X(AddrAddDevice, "请在设备向导中添加该")                      \
  X(AddrDeviceEnd, "！")                                        \
  X(AddrWrong, "错误，")                                        \
  X(AddrNoSuchTag, "不存在此标签。")                            \
  X(AddrBitWrong, "位号错误，")                                 \
  X(AddrExceeds, "超出")                                        \
  X(AddrBitExceeds, "的位号超出")                               \
  X(AddrBitBelowMin, "的位号超出最小范围")                      \
  X(AddrMaxRange, "的最大范围")                                 \
  X(AddrMinRange, "的最小范围")                                 \
  X(AddrReport, "错误报告：")                                   \
  X(AddrDropReason, "由于出现错误，")                           \
  X(AddrDropped, "系统在通讯时丢弃该标签！")                    \
  X(FullDot, "。")                                              \
  /* link status texts */                                       \
  X(StatusNeverAnswered, "通讯始终不成功!")                     \
  X(StatusNormal, "通讯正常!")                                  \
  X(StatusInterference, "通讯出现干扰!")                        \
  X(StatusFault, "通讯出现故障!")                               \
  X(StatusBroken, "通讯线路断路!")                              \
  X(StatusPaused, "通讯暂停!")                                  \
  X(LineOpened, "打开通信线路")                                 \
  /* serial port */                                             \
  X(PortOpened, "打开成功")                                     \
  X(PortUnavailable, "不存在或被其它程序占用！")                \
  X(PortBuffersFailed, "Error initializing Read/Write Buffers") \
  X(PortSettingsWrong, "设备参数中的串口设置有误!")             \
  /* log: run-state machine */                                  \
  X(RunReadSent, "：发送读标签命令= ")                          \
  X(RunReplyReceived, "：接收到应答信息= ")                     \
  X(RunReplyCutHead, "：接收到应答信息（太长，已截去前")        \
  X(RunReplyCutTail, "个字符）= ")                              \
  X(RunReplyChecked, "：应答信息通过校验检查。")                \
  X(RunWriteSent, "：发送写标签命令= ")                         \
  X(RunReadTimeoutOp, "：通讯读超时错，执行操作=")              \
  X(RunReadTimeoutHead, "：通讯读超时错，期待应答=")            \
  X(RunReadFailOp, "：通讯读失败，执行操作=")                   \
  X(RunReadFailHead, "：通讯读失败，期待应答=")                 \
  X(RunWriteTimeoutOp, "：通讯写超时错，执行操作=")             \
  X(RunWriteTimeoutHead, "：通讯写超时错，期待应答=")           \
  X(RunWriteFailOp, "：通讯写失败，执行操作=")                  \
  X(RunWriteFailHead, "：通讯写失败，期待应答=")                \
  X(RunNoReply, "：没有接收到应答信息！")                       \
  X(RunReplyRejected, "：应答信息没有通过校验检查。")           \
  X(RunTimeoutWaiting, "通讯超时错，期待设备应答")              \
  X(RunSevereFault, "严重故障：连续通讯失败，请检查线路和设备") \
  /* address templates of the tag editor */                     \
  X(TemplateF, "基本功能")                                      \
  X(TemplateE, "端子功能")                                      \
  X(TemplateC, "控制功能")                                      \
  X(TemplateP, "电动机1")                                       \
  X(TemplateH, "高级功能")                                      \
  X(TemplateA, "电动机2")                                       \
  X(TemplateO, "选件功能")                                      \
  X(TemplateS, "设定数据")                                      \
  X(TemplateM, "监测数据")                                      \
  X(TemplateCommErr, "通讯错误")                                \
  X(NakReply, "：设备拒绝执行命令，应答信息= ")                 \
  X(LineClosed, "关闭通信线路")

// The configuration side's windows, one list per group of windows.
// The wizard's flow, what every page shares, the start and connection pages, the debug form.
#define VDINV_WIZARD_MESSAGES(X)                                                       \
  X(UiWelcome, "欢迎使用")                                                             \
  X(UiWizardSuffix, "配置向导")                                                        \
  X(UiNextBtn, "下一步")                                                               \
  X(UiBackBtn, "上一步")                                                               \
  X(UiCancelBtn, "取消")                                                               \
  X(UiFullStop, "。")                                                                  \
  /* start page */                                                                     \
  X(UiStartCaption, "向导：选择执行的操作方式")                                        \
  X(UiStartPrompt, "请选择下面的操作选项，然后用鼠标单击下一步或完成按钮：")           \
  X(UiNewOp, "新建设备")                                                               \
  X(UiModifyOp, "修改设备")                                                            \
  X(UiBrowseOp, "察看设备")                                                            \
  X(UiNewOpNote, "提供简单到复杂的应用创建向导，可以集中创建一个或多个")               \
  X(UiModifyOpNote, "修改原有的设备配置。")                                            \
  X(UiBrowseOpNote, "浏览已设定好的设备配置。")                                        \
  X(UiVersionBtn, "帮助信息")                                                          \
  X(UiDebugBtn, "调试设置")                                                            \
  X(UiDownloadBtn, "下载最新驱动")                                                     \
  X(UiVersionWord, "版本")                                                             \
  /* connection page */                                                                \
  X(UiConnectionCaption, "向导：选择创建设备的方式")                                   \
  X(UiConnectionPrompt, "请选择下面的创建方式，然后用鼠标单击下一步或完成按钮：")      \
  X(UiSingle, "单个")                                                                  \
  X(UiSingleCreateEnd, "创建（RS232方式连接）")                                        \
  X(UiSingleNote, "为工程中的任意节点创建单个")                                        \
  X(UiSingleNoteEnd, "，可以满足简单的工程应用。")                                     \
  X(UiMultiple, "多个")                                                                \
  X(UiMulCreateEnd, "创建（RS485/RS422方式连接）")                                     \
  X(UiMulNote, "为工程中的任意节点创建多个")                                           \
  X(UiMulNoteEnd, "，可以满足所有工程应用。")                                          \
  X(UiMulEfficiency, "并提高工程的运行效率。但标签地址的配置不易掌握。")               \
  X(UiMulOverwrite, "本操作将覆盖原有的设备配置，请慎重使用。")                        \
  X(UiAutoCreate, "自动创建（RS232/RS485/RS422方式连接）")                             \
  X(UiAutoNote, "最智能的创建")                                                        \
  X(UiAutoNoteEnd, "的方法。由系统自动搜索本机安装的")                                 \
  X(UiAll, "所有")                                                                     \
  /* debug form */                                                                     \
  X(UiDebugCaption, "向导：设置调试选项")                                              \
  X(UiEnDebugChk, "调试开关")                                                          \
  X(UiErrorChk, "输出错误信息")                                                        \
  X(UiTraceChk, "输出跟踪信息")                                                        \
  X(UiPrnBtn, "打印")                                                                  \
  X(UiSaveBtn, "另存为")                                                               \
  X(UiSaveChangesBtn, "保存修改")                                                      \
  X(UiFinishBtn, "关闭窗口")                                                           \
  X(UiDebugIdle, "调试开关-查看和编辑今天的设备运行历史，诊断出现的问题！")            \
  X(UiDebugLoading, "正在调入记录文件...")                                             \
  X(UiDebugSwitchedOff, "打开调试开关-查看和编辑今天的设备运行历史，诊断出现的问题！") \
  X(UiDebugWarning,                                                                    \
    "！注意：调试对性能将产生不良影响，"                              \
    "只有出现故障时才打开调试开关。\r\n"                                \
    "调试和查看完设备运行信息后，"                                       \
    "请及时关闭调试开关。\r\n\r\n"                                           \
    "改动过调试开关后，需要退出向导，"                                 \
    "单击开发环境的保存工程按钮，"                                       \
    "调试功能才会生效。\r\n\r\n"                                              \
    "您可以编辑窗口中的内容，"                                             \
    "单击保存修改按钮保存窗口中的内容。\r\n"                          \
    "或者单击另存为按钮，"                                                   \
    "将窗口中的内容保存为文件，"                                          \
    "便于以后在系统外查看。")                                                          \
  X(UiLogFilter, "调试日志文件|log")                                                   \
  X(UiLogDefaultExt, "Log")                                                            \
  X(UiCannotCreateFile, "无法创建文件 ")                                               \
  X(UiPrintFailed, "打印失败！")

// The wizard's device pages, serial parameters page and summary page.
#define VDINV_DEVICE_PAGE_MESSAGES(X)                                      \
  X(UiDeviceTreeLabel, "设备配置图：")                                     \
  X(UiCreateSingle, "向导：创建单个")                                      \
  X(UiCreateSeveral, "向导：创建多个")                                     \
  X(UiModify, "向导：修改")                                                \
  X(UiParametersOrDelete, "参数或删除")                                    \
  X(UiChooseBelow, "选择下面的")                                           \
  X(UiTypeAndItsParameters, "类型及其参数")                                \
  X(UiThenClickNext, "，然后用单击下一步按钮：")                           \
  X(UiAfterEditing, "执行添加、删除、修改")                                \
  X(UiOperationThenNext, "操作后，单击下一步按钮")                         \
  X(UiTypeAndParameters, "类型及参数")                                     \
  X(UiType, "类型")                                                        \
  X(UiExplanation, "说明")                                                 \
  X(UiSupportedTagTypes, "支持的标签类型")                                 \
  X(UiAdd, "添加")                                                         \
  X(UiDelete, "删除")                                                      \
  X(UiNoteIndent, "    ")                                                  \
  X(UiOf, "的")                                                            \
  X(UiValueRange, "的取值范围")                                            \
  X(UiFrom, "从")                                                          \
  X(UiTo, "至")                                                            \
  X(UiSupportG11S, "富士变频器G11S支持F、E、C、P、H、A、O、S、M、CommErr") \
  X(UiSupportP11S, "富士变频器P11S支持F、E、C、P、H、A、O、S、M、CommErr") \
  X(UiTreeSeparator, "：")                                                 \
  X(UiDuplicateNumber, "重复,请重新修改!")                                 \
  X(UiSerialCaption, "向导：修改计算机串行口通讯参数")                     \
  X(UiSerialHeader, "请修改串行口参数与")                                  \
  X(UiSerialHeaderEnd, "一致：")                                           \
  X(UiComputerSerialGroup, "计算机串行口参数")                             \
  X(UiSerialPortLabel, "串行口")                                           \
  X(UiBaudLabel, "波特率")                                                 \
  X(UiDataBitsGroup, "数据位")                                             \
  X(UiStopBitsGroup, "停止位")                                             \
  X(UiParityGroup, "校验方式")                                             \
  X(UiAdvancedGroup, "高级设置")                                           \
  X(UiTimeOutBefore, "通讯超时时间")                                       \
  X(UiTimeOutAfter, "毫秒")                                                \
  X(UiRepeatBefore, "写操作失败重复执行写")                                \
  X(UiRepeatAfter, "次")                                                   \
  X(UiInitCommand, "初始化命令")                                           \
  X(UiNoteGroup, "参数说明")                                               \
  X(UiComPrefix, "COM")                                                    \
  X(UiBits4, "4位")                                                        \
  X(UiBits5, "5位")                                                        \
  X(UiBits6, "6位")                                                        \
  X(UiBits7, "7位")                                                        \
  X(UiBits8, "8位")                                                        \
  X(UiStop1, "1位")                                                        \
  X(UiStop15, "1位半")                                                     \
  X(UiStop2, "2位")                                                        \
  X(UiParityNone, "无校验")                                                \
  X(UiParityOdd, "奇校验")                                                 \
  X(UiParityEven, "偶校验")                                                \
  X(UiSerialNoteIn, "    在")                                              \
  X(UiSerialNoteUse, "中使用")                                             \
  X(UiSerialNoteHost, "    在上位机中使用")                                \
  X(UiSerialNoteMust, "时必须正确配置串行口参数。")                        \
  X(UiSerialNotePort, "    串行口指定计算机端的通讯口。")                  \
  X(UiSerialNoteOthers, "    除串口外的其它参数必须与")                    \
  X(UiSerialNoteAgree, "端设定的参数一致。")                               \
  X(UiSummaryCaption, "向导：向导退出前的确认")                            \
  X(UiSummaryHeader, "确认后单击完成按钮，或单击上一步按钮修改配置：")     \
  X(UiSerialArgsGroup, "串行口参数")                                       \
  X(UiUsage, "使用说明")                                                   \
  X(UiFinish, "完成")                                                      \
  X(UiPrint, "打印配置")                                                   \
  X(UiPortPrefix, "串口")                                                  \
  X(UiBaudIs, "波特率 = ")                                                 \
  X(UiDataBitsIs, "数据位 = ")                                             \
  X(UiStopBitsIs, "    停止位 = ")                                         \
  X(UiUsageEach, "    每个与")                                             \
  X(UiUsageConnected, "相连的")                                            \
  X(UiUsageHostConnected, "    每个与上位机相连的")                        \
  X(UiUsageUnique, "在上位机的设备中都有一个唯一的")                       \
  X(UiUsageFullStop, "。")                                                 \
  X(UiUsageNewTag, "的新建标签时，需要在标签主地址中指定")                 \
  X(UiUsageHostNewTag, "    在上位机的新建标签时，需要在标签主地址中指定") \
  X(UiUsageWhich, "，从而确定此标签在一个节点设备中")                      \
  X(UiUsageBelongs, "属于的哪一个")

// The device test window.
#define VDINV_DIAGNOSTIC_MESSAGES(X)           \
  X(UiTestWindowCaption, "设备测试窗口")       \
  X(UiTestTagAddress, "标签地址")              \
  X(UiTestTagValue, "标签值")                  \
  X(UiTestTagOperation, "标签操作")            \
  X(UiTestHostCommand, "主机命令")             \
  X(UiTestSwitchOn, "开")                      \
  X(UiTestSwitchOff, "关")                     \
  X(UiTestOtherType, "[Other Type]")           \
  X(UiTestWriteTag, "写标签")                  \
  X(UiTestReadTag, "读标签")                   \
  X(UiTestAdvanced, "高级调试↓")               \
  X(UiTestAutomatic, "自动检测↑")              \
  X(UiTestPause, "暂停")                       \
  X(UiTestResume, "继续")                      \
  X(UiTestExit, "退出")                        \
  X(UiTestCommEvent, "通讯事件")               \
  X(UiTestSystemState, "系统状态")             \
  X(UiTestCommandString, "命令串")             \
  X(UiTestSendCommand, "发送命令")             \
  X(UiTestAnswerString, "应答串")              \
  X(UiTestWriteValue, "写入值")                \
  X(UiTestWriteString, "写命令串")             \
  X(UiTestReadOperation, "读操作")             \
  X(UiTestWriteOperation, "写操作")            \
  X(UiTestTagType, "标签类型")                 \
  X(UiTestAnalog, "模拟量")                    \
  X(UiTestSwitch, "开关量")                    \
  X(UiTestString, "字符串")                    \
  X(UiTestUnsupported, "暂时不支持测试功能！") \
  X(UiTestPortBusy, "串口被其他应用程序占用!")

// What the windows tell the user where an action cannot do what its caption says, or would
// erase more than it shows.
#define VDINV_WINDOW_GUIDANCE_MESSAGES(X)                                                                                   \
  X(UiEraseOthersBefore, "其他已配置的")                                                                                    \
  X(UiEraseOthersCount, "台")                                                                                               \
  X(UiEraseOthersAfter, "将被删除，只保留本页设定的一台。\r\n确定继续吗？")                                                 \
  X(UiHalfStopBitRefused,                                                                                                   \
    "    1位半停止位只能与5位数据位一起使用，串行口不接受7位或8位数据位配1位半停止位，" \
    "请选择1位或2位停止位。")                                                                                               \
  X(UiLogChangedSinceLoad,                                                                                                  \
    "记录文件在调入后已被移走或改写，窗口中的修改没有保存。\r\n"                                 \
    "请关闭调试开关后再打开，重新调入记录文件。")                                                                           \
  X(UiTestNoDriver, "测试设备没有运行，请退出后重新测试。")                                                                 \
  X(UiTestEmptyCommand, "请先在命令串中输入要发送的命令。")                                                                 \
  X(UiTestCommandQueued, "命令已送出，应答显示在应答串中。")                                                                \
  X(UiTestCommandWaits, "命令将在下一次通讯时送出。")                                                                       \
  X(UiTestQuality, "质量 ")

#define VDINV_ALL_MESSAGES(X) \
  VDINV_MESSAGES(X)           \
  VDINV_WIZARD_MESSAGES(X)    \
  VDINV_DEVICE_PAGE_MESSAGES(X) VDINV_DIAGNOSTIC_MESSAGES(X) VDINV_WINDOW_GUIDANCE_MESSAGES(X)

enum class Msg : uint16_t {
#define VDINV_MESSAGE_ID(id, text) id,
  VDINV_ALL_MESSAGES(VDINV_MESSAGE_ID)
#undef VDINV_MESSAGE_ID
      Count
};

// The message in GBK.
const std::string& Text(Msg id);
// The message in UTF-8, as written in the catalogue.
const char* Utf8Text(Msg id);

}  // namespace vdinv

/*
 * The Windows kernel shell of the keyboard filter: the WDM entry points, the i8042 hooks and the
 * kernel services the core asks for. Every decision is the core's; this file only turns
 * requests into calls of the core and the core's answers into what the I/O manager expects.
 */
/* The kernel headers depend on each other in this order. */
/* clang-format off */
#include <ntddk.h>
#include <ntddkbd.h>
#include <ntdd8042.h>
#include <kbdmou.h>
/* clang-format on */

#include "driver/core/ZorvatekCore.h"

/* The core's structures stand in for the stack's own ones; they must stay alike. */
typedef char ZvConnectDataMatches[sizeof(ZV_CONNECT_DATA) == sizeof(CONNECT_DATA) ? 1 : -1];
typedef char ZvHookMatches[sizeof(ZV_HOOK_KEYBOARD) == sizeof(INTERNAL_I8042_HOOK_KEYBOARD) ? 1 : -1];
typedef char ZvTypematicMatches[sizeof(KEYBOARD_TYPEMATIC_PARAMETERS) == ZV_TYPEMATIC_SIZE ? 1 : -1];

#define ZV_DEVICE_NAME L"\\Device\\Zorvatek"
#define ZV_LINK_NAME L"\\DosDevices\\Zorvatek"

typedef struct _DEVICE_EXTENSION {
    ZV_DEVICE_EXTENSION Core;
    KEVENT DataEvent;
    KSPIN_LOCK RingLock;
    KDPC Dpc;
} DEVICE_EXTENSION, *PDEVICE_EXTENSION;

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath);

static PDEVICE_EXTENSION ExtensionOfDevice(PDEVICE_OBJECT device) {
    return (PDEVICE_EXTENSION)device->DeviceExtension;
}
static PDEVICE_EXTENSION Outer(ZV_DEVICE_EXTENSION* core) {
    return CONTAINING_RECORD(core, DEVICE_EXTENSION, Core);
}

/* ---- kernel services for the core ---- */

static uint8_t KsReadPort(ZV_DEVICE_EXTENSION* ext, uint16_t port) {
    (void)ext;
    return READ_PORT_UCHAR((PUCHAR)(ULONG_PTR)port);
}

static void KsWritePort(ZV_DEVICE_EXTENSION* ext, uint16_t port, uint8_t value) {
    (void)ext;
    WRITE_PORT_UCHAR((PUCHAR)(ULONG_PTR)port, value);
}

static void KsStall(ZV_DEVICE_EXTENSION* ext, uint32_t microseconds) {
    (void)ext;
    KeStallExecutionProcessor(microseconds);
}

static ZV_STATUS KsWaitForData(ZV_DEVICE_EXTENSION* ext, int64_t relativeTimeout) {
    LARGE_INTEGER timeout;
    NTSTATUS status;
    timeout.QuadPart = relativeTimeout;
    status = KeWaitForSingleObject(&Outer(ext)->DataEvent, Executive, KernelMode, FALSE, &timeout);
    return status == STATUS_SUCCESS ? ZV_STATUS_SUCCESS : ZV_STATUS_TIMEOUT;
}

static void KsSetDataEvent(ZV_DEVICE_EXTENSION* ext) {
    KeSetEvent(&Outer(ext)->DataEvent, IO_NO_INCREMENT, FALSE);
}
static void KsClearDataEvent(ZV_DEVICE_EXTENSION* ext) {
    KeClearEvent(&Outer(ext)->DataEvent);
}

static int32_t KsIncrement(volatile int32_t* value) {
    return InterlockedIncrement((volatile LONG*)value);
}
static int32_t KsDecrement(volatile int32_t* value) {
    return InterlockedDecrement((volatile LONG*)value);
}

static uint8_t KsQueueDpc(ZV_DEVICE_EXTENSION* ext, uint8_t byte) {
    return KeInsertQueueDpc(&Outer(ext)->Dpc, (PVOID)(ULONG_PTR)byte, NULL) ? 1 : 0;
}

static uint8_t KsAcquireRingLock(ZV_DEVICE_EXTENSION* ext) {
    KIRQL previous;
    KeAcquireSpinLock(&Outer(ext)->RingLock, &previous);
    return previous;
}

static void KsReleaseRingLock(ZV_DEVICE_EXTENSION* ext, uint8_t previous) {
    KeReleaseSpinLock(&Outer(ext)->RingLock, (KIRQL)previous);
}

static void KsDebugPrint(ZV_DEVICE_EXTENSION* ext, const char* text) {
    (void)ext;
    DbgPrint("%s", text);
}

static ZV_DEVICE_EXTENSION* KsExtensionOf(void* device) {
    return &ExtensionOfDevice((PDEVICE_OBJECT)device)->Core;
}

static ZV_STATUS KsSendInternalRequest(ZV_DEVICE_EXTENSION* ext, uint32_t code, const void* input,
                                       uint32_t inputLength) {
    KEVENT done;
    IO_STATUS_BLOCK io;
    PIRP irp;
    NTSTATUS status;
    PDEVICE_OBJECT filter = (PDEVICE_OBJECT)ext->FilterDevice;

    KeInitializeEvent(&done, NotificationEvent, FALSE);
    irp = IoBuildDeviceIoControlRequest(code, filter, (PVOID)input, inputLength, NULL, 0, TRUE, &done, &io);
    if (irp == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = IoCallDriver(filter, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
        status = io.Status;
    }
    return status;
}

static VOID NTAPI ZvwServiceCallback(PDEVICE_OBJECT DeviceObject, PKEYBOARD_INPUT_DATA InputDataStart,
                                     PKEYBOARD_INPUT_DATA InputDataEnd, PULONG InputDataConsumed);
static NTSTATUS NTAPI ZvwInitializationRoutine(PVOID InitializationContext, PVOID SynchFuncContext,
                                               PI8042_SYNCH_READ_PORT ReadPort,
                                               PI8042_SYNCH_WRITE_PORT WritePort, PBOOLEAN TurnTranslationOn);
static BOOLEAN NTAPI ZvwInterruptHook(PVOID IsrContext, PKEYBOARD_INPUT_DATA CurrentInput,
                                      POUTPUT_PACKET CurrentOutput, UCHAR StatusByte, PUCHAR Byte,
                                      PBOOLEAN ContinueProcessing, PKEYBOARD_SCAN_STATE ScanState);

static const ZV_KERNEL_SERVICES KernelServices = {
    KsReadPort,
    KsWritePort,
    KsStall,
    KsWaitForData,
    KsSetDataEvent,
    KsClearDataEvent,
    KsIncrement,
    KsDecrement,
    KsQueueDpc,
    KsAcquireRingLock,
    KsReleaseRingLock,
    KsDebugPrint,
    KsExtensionOf,
    KsSendInternalRequest,
    (void*)ZvwServiceCallback,
    (void*)ZvwInitializationRoutine,
    (void*)ZvwInterruptHook,
};

/* ---- keyboard path ---- */

static VOID NTAPI ZvwServiceCallback(PDEVICE_OBJECT DeviceObject, PKEYBOARD_INPUT_DATA InputDataStart,
                                     PKEYBOARD_INPUT_DATA InputDataEnd, PULONG InputDataConsumed) {
    ZV_DEVICE_EXTENSION* ext = &ExtensionOfDevice(DeviceObject)->Core;
    (*(PSERVICE_CALLBACK_ROUTINE)ext->ClassConnection.ClassService)(
        ext->ClassConnection.ClassDeviceObject, InputDataStart, InputDataEnd, InputDataConsumed);
}

typedef struct _INITIALIZATION_ARGUMENTS {
    PVOID SynchFuncContext;
    PI8042_SYNCH_READ_PORT ReadPort;
    PI8042_SYNCH_WRITE_PORT WritePort;
    PBOOLEAN TurnTranslationOn;
} INITIALIZATION_ARGUMENTS;

static ZV_STATUS CallNextInitialization(ZV_DEVICE_EXTENSION* ext, void* context) {
    INITIALIZATION_ARGUMENTS* args = (INITIALIZATION_ARGUMENTS*)context;
    PI8042_KEYBOARD_INITIALIZATION_ROUTINE next =
        (PI8042_KEYBOARD_INITIALIZATION_ROUTINE)ext->NextInitializationRoutine;
    return next(ext->HookContext, args->SynchFuncContext, args->ReadPort, args->WritePort,
                args->TurnTranslationOn);
}

static NTSTATUS NTAPI ZvwInitializationRoutine(PVOID InitializationContext, PVOID SynchFuncContext,
                                               PI8042_SYNCH_READ_PORT ReadPort,
                                               PI8042_SYNCH_WRITE_PORT WritePort,
                                               PBOOLEAN TurnTranslationOn) {
    ZV_DEVICE_EXTENSION* ext = &ExtensionOfDevice((PDEVICE_OBJECT)InitializationContext)->Core;
    INITIALIZATION_ARGUMENTS args;
    uint8_t turnOn = 0;
    NTSTATUS status;
    args.SynchFuncContext = SynchFuncContext;
    args.ReadPort = ReadPort;
    args.WritePort = WritePort;
    args.TurnTranslationOn = TurnTranslationOn;
    status = ZvInitializationRoutine(ext, CallNextInitialization, &args, &turnOn);
    if (turnOn) {
        *TurnTranslationOn = TRUE;
    }
    return status;
}

static BOOLEAN NTAPI ZvwInterruptHook(PVOID IsrContext, PKEYBOARD_INPUT_DATA CurrentInput,
                                      POUTPUT_PACKET CurrentOutput, UCHAR StatusByte, PUCHAR Byte,
                                      PBOOLEAN ContinueProcessing, PKEYBOARD_SCAN_STATE ScanState) {
    ZV_DEVICE_EXTENSION* ext = &ExtensionOfDevice((PDEVICE_OBJECT)IsrContext)->Core;
    if (!ZvInterruptHook(ext, *Byte)) {
        *ContinueProcessing = FALSE;
    }
    if (ext->NextInterruptHook != NULL) {
        return ((PI8042_KEYBOARD_ISR)ext->NextInterruptHook)(ext->HookContext, CurrentInput, CurrentOutput,
                                                             StatusByte, Byte, ContinueProcessing, ScanState);
    }
    return TRUE;
}

static VOID NTAPI ZvwDpc(PKDPC Dpc, PVOID DeferredContext, PVOID SystemArgument1, PVOID SystemArgument2) {
    UNREFERENCED_PARAMETER(Dpc);
    UNREFERENCED_PARAMETER(SystemArgument1);
    UNREFERENCED_PARAMETER(SystemArgument2);
    ZvDpcRoutine(&ExtensionOfDevice((PDEVICE_OBJECT)DeferredContext)->Core);
}

/* ---- dispatch ---- */

static NTSTATUS CompleteRequest(PIRP Irp, NTSTATUS status, ULONG_PTR information) {
    Irp->IoStatus.Status = status;
    Irp->IoStatus.Information = information;
    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS Apply(PDEVICE_EXTENSION ext, PIRP Irp, ZV_DECISION decision) {
    if (decision.Action == ZV_COMPLETE) {
        return CompleteRequest(Irp, decision.Status, 0);
    }
    if (decision.SetStatus) {
        Irp->IoStatus.Status = decision.Status;
    }
    IoSkipCurrentIrpStackLocation(Irp);
    return IoCallDriver((PDEVICE_OBJECT)ext->Core.LowerDevice, Irp);
}

static NTSTATUS NTAPI ZvwDispatchPassThrough(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PDEVICE_EXTENSION ext = ExtensionOfDevice(DeviceObject);
    return Apply(ext, Irp, ZvDispatchOther(&ext->Core));
}

static NTSTATUS NTAPI ZvwDispatchCreateClose(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PDEVICE_EXTENSION ext = ExtensionOfDevice(DeviceObject);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    return Apply(ext, Irp,
                 stack->MajorFunction == IRP_MJ_CREATE ? ZvDispatchCreate(&ext->Core)
                                                       : ZvDispatchClose(&ext->Core));
}

static NTSTATUS NTAPI ZvwDispatchDeviceControl(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PDEVICE_EXTENSION ext = ExtensionOfDevice(DeviceObject);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    PVOID buffer = Irp->AssociatedIrp.SystemBuffer;
    uint32_t information = 0;
    NTSTATUS status = ZvDeviceControl(&ext->Core, stack->Parameters.DeviceIoControl.IoControlCode, buffer,
                                      stack->Parameters.DeviceIoControl.InputBufferLength, buffer,
                                      stack->Parameters.DeviceIoControl.OutputBufferLength, &information);
    return CompleteRequest(Irp, status, information);
}

static NTSTATUS NTAPI ZvwDispatchInternal(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PDEVICE_EXTENSION ext = ExtensionOfDevice(DeviceObject);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    /* The connect and hook requests carry their structure by pointer; the rest are buffered. */
    PVOID input = METHOD_FROM_CTL_CODE(code) == METHOD_NEITHER
                      ? stack->Parameters.DeviceIoControl.Type3InputBuffer
                      : Irp->AssociatedIrp.SystemBuffer;
    return Apply(
        ext, Irp,
        ZvDispatchInternal(&ext->Core, code, input, stack->Parameters.DeviceIoControl.InputBufferLength));
}

static NTSTATUS NTAPI ZvwDispatchPower(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PDEVICE_EXTENSION ext = ExtensionOfDevice(DeviceObject);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    uint8_t setsDevicePower =
        stack->MinorFunction == IRP_MN_SET_POWER && stack->Parameters.Power.Type == DevicePowerState;
    ZV_DECISION decision =
        ZvDispatchPower(&ext->Core, setsDevicePower,
                        setsDevicePower ? (uint32_t)stack->Parameters.Power.State.DeviceState : 0);
    PoStartNextPowerIrp(Irp);
    if (decision.Action == ZV_COMPLETE) {
        return CompleteRequest(Irp, decision.Status, 0);
    }
    IoSkipCurrentIrpStackLocation(Irp);
    return PoCallDriver((PDEVICE_OBJECT)ext->Core.LowerDevice, Irp);
}

static NTSTATUS NTAPI ZvwStartCompletion(PDEVICE_OBJECT DeviceObject, PIRP Irp, PVOID Context) {
    UNREFERENCED_PARAMETER(DeviceObject);
    UNREFERENCED_PARAMETER(Irp);
    KeSetEvent((PKEVENT)Context, IO_NO_INCREMENT, FALSE);
    /* The request is ours again: the start dispatch completes it after the wait. */
    return STATUS_MORE_PROCESSING_REQUIRED;
}

static void DeleteControlDevice(PDEVICE_OBJECT control) {
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, ZV_LINK_NAME);
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(control);
}

static NTSTATUS NTAPI ZvwDispatchPnp(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PDEVICE_EXTENSION ext = ExtensionOfDevice(DeviceObject);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    PDEVICE_OBJECT lower = (PDEVICE_OBJECT)ext->Core.LowerDevice;
    ZV_DECISION decision = ZvDispatchPnp(&ext->Core, stack->MinorFunction);
    NTSTATUS status;

    switch (decision.Action) {
    case ZV_PASS_DOWN_AND_WAIT: {
        KEVENT started;
        KeInitializeEvent(&started, NotificationEvent, FALSE);
        IoCopyCurrentIrpStackLocationToNext(Irp);
        IoSetCompletionRoutine(Irp, ZvwStartCompletion, &started, TRUE, TRUE, TRUE);
        status = IoCallDriver(lower, Irp);
        if (status == STATUS_PENDING) {
            KeWaitForSingleObject(&started, Executive, KernelMode, FALSE, NULL);
            status = Irp->IoStatus.Status;
        }
        return CompleteRequest(Irp, ZvPnpStartCompleted(&ext->Core, status), 0);
    }
    case ZV_PASS_DOWN_AND_REMOVE:
        IoSkipCurrentIrpStackLocation(Irp);
        (void)IoCallDriver(lower, Irp);
        IoDetachDevice(lower);
        if (ext->Core.ControlDevice != NULL) {
            DeleteControlDevice((PDEVICE_OBJECT)ext->Core.ControlDevice);
            ext->Core.ControlDevice = NULL;
        }
        IoDeleteDevice(DeviceObject);
        return STATUS_SUCCESS;
    default:
        return Apply(ext, Irp, decision);
    }
}

/* ---- load, add, unload ---- */

static NTSTATUS NTAPI ZvwAddDevice(PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT PhysicalDeviceObject) {
    PDEVICE_OBJECT filter = NULL;
    PDEVICE_OBJECT control = NULL;
    PDEVICE_OBJECT lower;
    PDEVICE_EXTENSION ext;
    UNICODE_STRING name;
    UNICODE_STRING link;
    NTSTATUS status;

    status =
        IoCreateDevice(DriverObject, sizeof(DEVICE_EXTENSION), NULL, FILE_DEVICE_KEYBOARD, 0, FALSE, &filter);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    ext = ExtensionOfDevice(filter);
    RtlZeroMemory(ext, sizeof *ext);
    lower = IoAttachDeviceToDeviceStack(filter, PhysicalDeviceObject);
    if (lower == NULL) {
        IoDeleteDevice(filter);
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    KeInitializeEvent(&ext->DataEvent, NotificationEvent, FALSE);
    KeInitializeSpinLock(&ext->RingLock);
    KeInitializeDpc(&ext->Dpc, ZvwDpc, filter);
    ZvInitFilterExtension(&ext->Core, &KernelServices, filter, PhysicalDeviceObject, lower, &ext->DataEvent,
                          &ext->RingLock, ext);
    filter->Flags |= DO_BUFFERED_IO | DO_POWER_PAGABLE;
    filter->Flags &= ~DO_DEVICE_INITIALIZING;

    /* One control device for the driver: a second keyboard stack fails here, the name is taken. */
    RtlInitUnicodeString(&name, ZV_DEVICE_NAME);
    RtlInitUnicodeString(&link, ZV_LINK_NAME);
    status = IoCreateDevice(DriverObject, sizeof(DEVICE_EXTENSION), &name, FILE_DEVICE_KEYBOARD, 0, FALSE,
                            &control);
    if (NT_SUCCESS(status)) {
        control->Flags |= DO_BUFFERED_IO;
        control->Flags &= ~DO_DEVICE_INITIALIZING;
        status = IoCreateSymbolicLink(&link, &name);
    }
    if (!NT_SUCCESS(status)) {
        if (control != NULL) {
            IoDeleteDevice(control);
        }
        IoDetachDevice(lower);
        IoDeleteDevice(filter);
        return status;
    }
    ZvInitControlExtension(&ExtensionOfDevice(control)->Core, &ext->Core, control,
                           ExtensionOfDevice(control));
    return STATUS_SUCCESS;
}

static VOID NTAPI ZvwUnload(PDRIVER_OBJECT DriverObject) {
    UNREFERENCED_PARAMETER(DriverObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath) {
    ULONG i;
    UNREFERENCED_PARAMETER(RegistryPath);
    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) {
        DriverObject->MajorFunction[i] = ZvwDispatchPassThrough;
    }
    DriverObject->MajorFunction[IRP_MJ_CREATE] = ZvwDispatchCreateClose;
    DriverObject->MajorFunction[IRP_MJ_CLOSE] = ZvwDispatchCreateClose;
    DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = ZvwDispatchDeviceControl;
    DriverObject->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = ZvwDispatchInternal;
    DriverObject->MajorFunction[IRP_MJ_POWER] = ZvwDispatchPower;
    DriverObject->MajorFunction[IRP_MJ_PNP] = ZvwDispatchPnp;
    DriverObject->DriverExtension->AddDevice = ZvwAddDevice;
    DriverObject->DriverUnload = ZvwUnload;
    return STATUS_SUCCESS;
}

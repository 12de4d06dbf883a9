/*
 * The filter driver's logic, written once for every platform. The core touches neither a
 * system header nor the C library: whatever it needs from a kernel goes through the table of
 * services in ZV_KERNEL_SERVICES, which the Windows shell fills from the kernel and HAL and the
 * simulator fills from a simulated i8042 controller in virtual time.
 */
#ifndef ZORVATEK_CORE_H
#define ZORVATEK_CORE_H

#include <stddef.h>
#include <stdint.h>

#include "ZorvatekIoctl.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Status values are the kernel's own, so the shell hands them on unchanged. */
typedef int32_t ZV_STATUS;
#define ZV_STATUS_SUCCESS ((ZV_STATUS)0x00000000L)
#define ZV_STATUS_TIMEOUT ((ZV_STATUS)0x00000102L) /* a wait ran out: not an error by itself */
#define ZV_STATUS_PENDING ((ZV_STATUS)0x00000103L)
#define ZV_STATUS_NOT_IMPLEMENTED ((ZV_STATUS)0xC0000002L)
#define ZV_STATUS_INVALID_PARAMETER ((ZV_STATUS)0xC000000DL)
#define ZV_STATUS_MORE_PROCESSING_REQUIRED ((ZV_STATUS)0xC0000016L)
#define ZV_STATUS_BUFFER_TOO_SMALL ((ZV_STATUS)0xC0000023L)
#define ZV_STATUS_SHARING_VIOLATION ((ZV_STATUS)0xC0000043L)
#define ZV_STATUS_INSUFFICIENT_RESOURCES ((ZV_STATUS)0xC000009AL)
#define ZV_STATUS_IO_TIMEOUT ((ZV_STATUS)0xC00000B5L)
#define ZV_STATUS_INVALID_DEVICE_STATE ((ZV_STATUS)0xC0000184L)
#define ZV_SUCCESS(status) ((status) >= 0)

/* i8042 ports and the bits and commands the driver uses. */
#define ZV_PORT_DATA 0x60u
#define ZV_PORT_STATUS 0x64u /* read: status; write: controller command */
#define ZV_STATUS_OUTPUT_FULL 0x01u
#define ZV_STATUS_INPUT_FULL 0x02u
#define ZV_CMD_WRITE_COMMAND_BYTE 0x60u
#define ZV_CMD_DISABLE_AUX 0xA7u
#define ZV_CMD_ENABLE_AUX 0xA8u
/* Keyboard interrupt on, mouse interrupt off, system flag, mouse clock off, no translation:
 * the answer must reach us as the keyboard sent it and the mouse must stay quiet. */
#define ZV_COMMAND_BYTE_EXCHANGE 0x25u
/* Both interrupts, system flag, mouse clock off, translation: normal work. */
#define ZV_COMMAND_BYTE_NORMAL 0x67u

/* Bounds of every wait. Relative kernel time-outs count in 100 ns units and are negative. */
#define ZV_CONTROLLER_POLLS 12000u
#define ZV_CONTROLLER_POLL_STALL_US 50u
#define ZV_ACK_TIMEOUT (-3000000LL)   /* 300 ms */
#define ZV_BYTE_TIMEOUT (-12000000LL) /* 1.2 s per captured byte of an answer */
#define ZV_SEND_ATTEMPTS 3u
/* A keyboard that keeps sending without ever finishing a frame must not hold the caller for
 * ever: room for a ring full of noise ahead of the longest answer, then give up. */
#define ZV_FRAME_CAPTURE_LIMIT (2u * (ZV_RING_SIZE + ZORVATEK_MAX_FRAME))

/* Internal control codes of the keyboard stack. */
#define ZV_IOCTL_KEYBOARD_SET_TYPEMATIC 0x000B0004u
#define ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT 0x000B0203u
#define ZV_IOCTL_INTERNAL_KEYBOARD_DISCONNECT 0x000B0403u
#define ZV_IOCTL_INTERNAL_I8042_HOOK_KEYBOARD 0x000B3FC3u
#define ZV_IOCTL_INTERNAL_I8042_KEYBOARD_WRITE_BUFFER 0x000B3FC7u

/* Plug and Play minor codes the driver looks at. */
#define ZV_PNP_START_DEVICE 0x00u
#define ZV_PNP_REMOVE_DEVICE 0x02u
#define ZV_PNP_SURPRISE_REMOVAL 0x17u

#define ZV_POWER_D0 1u

#define ZV_RING_SIZE 512u
#define ZV_ANSWER_SIZE 260u
#define ZV_TYPEMATIC_SIZE 6u

/* Same layout as the keyboard class driver's CONNECT_DATA. */
typedef struct ZV_CONNECT_DATA {
    void* ClassDeviceObject;
    void* ClassService;
} ZV_CONNECT_DATA;

/* Same layout as the i8042 port driver's INTERNAL_I8042_HOOK_KEYBOARD. */
typedef struct ZV_HOOK_KEYBOARD {
    void* Context;
    void* InitializationRoutine;
    void* IsrRoutine;
    void* IsrWritePort;
    void* QueueKeyboardPacket;
    void* CallContext;
} ZV_HOOK_KEYBOARD;

struct ZV_KERNEL_SERVICES;

/* Both devices of the driver carry this extension. The platform keeps its own kernel objects
 * (event, spin lock, DPC) beside it and lets DataEvent and RingLock point at them. */
typedef struct ZV_DEVICE_EXTENSION {
    void* FilterDevice;
    void* PhysicalDevice;
    void* LowerDevice;
    volatile int32_t OpenCount;
    ZV_CONNECT_DATA ClassConnection;
    void* HookContext;
    void* NextInitializationRoutine;
    void* NextInterruptHook;
    void* WritePortRoutine;
    void* QueuePacketRoutine;
    void* CallContext;
    uint32_t PowerState;
    uint8_t Started;
    uint8_t SurpriseRemoved;
    uint8_t Removed;
    void* ControlDevice;
    uint8_t IsControlDevice;
    uint16_t AnswerLength;
    uint8_t Answer[ZV_ANSWER_SIZE];
    uint8_t Ring[ZV_RING_SIZE];
    volatile uint32_t RingWrite; /* written only by the interrupt path */
    volatile uint32_t RingRead;  /* written only by the waiting thread */
    void* DataEvent;
    void* RingLock;
    volatile uint8_t Capturing;
    uint8_t Typematic[ZV_TYPEMATIC_SIZE];

    const struct ZV_KERNEL_SERVICES* Services;
    void* Platform; /* whatever the platform needs to find its side of the device */
} ZV_DEVICE_EXTENSION;

/* The kernel as the core sees it. Every entry is required. */
typedef struct ZV_KERNEL_SERVICES {
    uint8_t (*ReadPort)(ZV_DEVICE_EXTENSION* ext, uint16_t port);
    void (*WritePort)(ZV_DEVICE_EXTENSION* ext, uint16_t port, uint8_t value);
    void (*Stall)(ZV_DEVICE_EXTENSION* ext, uint32_t microseconds);
    /* ZV_STATUS_SUCCESS once the data event is signalled, ZV_STATUS_TIMEOUT when the relative
     * time-out (negative, 100 ns units) ran out first. */
    ZV_STATUS (*WaitForData)(ZV_DEVICE_EXTENSION* ext, int64_t relativeTimeout);
    void (*SetDataEvent)(ZV_DEVICE_EXTENSION* ext);
    void (*ClearDataEvent)(ZV_DEVICE_EXTENSION* ext);
    int32_t (*InterlockedIncrement)(volatile int32_t* value);
    int32_t (*InterlockedDecrement)(volatile int32_t* value);
    /* Nonzero when the DPC was queued now, zero when it was queued already. */
    uint8_t (*QueueDpc)(ZV_DEVICE_EXTENSION* ext, uint8_t byte);
    /* Returns what ReleaseRingLock needs to restore (the previous interrupt level). */
    uint8_t (*AcquireRingLock)(ZV_DEVICE_EXTENSION* ext);
    void (*ReleaseRingLock)(ZV_DEVICE_EXTENSION* ext, uint8_t previous);
    void (*DebugPrint)(ZV_DEVICE_EXTENSION* ext, const char* text);
    /* The extension of a device object the core only knows by its pointer. */
    ZV_DEVICE_EXTENSION* (*ExtensionOf)(void* device);
    /* Builds an internal device-control request, sends it to the filter device itself (so it
     * passes the internal dispatch on its way down) and waits for it without a time-out. */
    ZV_STATUS (*SendInternalRequest)
    (ZV_DEVICE_EXTENSION* ext, uint32_t code, const void* input, uint32_t inputLength);

    /* The driver's own routines, put into the requests of the keyboard stack in place of the
     * ones recorded from them. */
    void* ServiceCallback;
    void* InitializationRoutine;
    void* InterruptHook;
} ZV_KERNEL_SERVICES;

/* Setting up the two extensions when the devices have been created. */
void ZvInitFilterExtension(ZV_DEVICE_EXTENSION* ext, const ZV_KERNEL_SERVICES* services, void* filterDevice,
                           void* physicalDevice, void* lowerDevice, void* dataEvent, void* ringLock,
                           void* platform);
void ZvInitControlExtension(ZV_DEVICE_EXTENSION* control, ZV_DEVICE_EXTENSION* filter, void* controlDevice,
                            void* platform);

/* The ring of captured bytes; the data event follows it. */
uint8_t ZvRingAppend(ZV_DEVICE_EXTENSION* ext, uint8_t byte);
uint8_t ZvRingTake(ZV_DEVICE_EXTENSION* ext, uint8_t* byte);
uint32_t ZvRingCount(const ZV_DEVICE_EXTENSION* ext);
void ZvUpdateDataEvent(ZV_DEVICE_EXTENSION* ext);
void ZvRingFlush(ZV_DEVICE_EXTENSION* ext);
void ZvStartCapture(ZV_DEVICE_EXTENSION* ext);
void ZvStopCapture(ZV_DEVICE_EXTENSION* ext);

/* The controller. */
ZV_STATUS ZvWaitControllerReady(ZV_DEVICE_EXTENSION* ext);
ZV_STATUS ZvWriteData(ZV_DEVICE_EXTENSION* ext, uint8_t value);
ZV_STATUS ZvWriteCommand(ZV_DEVICE_EXTENSION* ext, uint8_t command);
ZV_STATUS ZvWriteCommandByte(ZV_DEVICE_EXTENSION* ext, uint8_t value);

/* Receiving: one acknowledgement byte into Answer[0], or one whole nibble-coded frame. */
ZV_STATUS ZvReceiveAck(ZV_DEVICE_EXTENSION* ext);
ZV_STATUS ZvReceiveFrame(ZV_DEVICE_EXTENSION* ext);

/* Sending bytes one by one, each acknowledged with FAh within three attempts. */
ZV_STATUS ZvSendWithAck(ZV_DEVICE_EXTENSION* ext, const uint8_t* bytes, uint32_t count);
ZV_STATUS ZvSilence(ZV_DEVICE_EXTENSION* ext);
void ZvRestore(ZV_DEVICE_EXTENSION* ext);

/* One request frame out, one answer frame back. */
ZV_STATUS ZvExchange(ZV_DEVICE_EXTENSION* ext, const uint8_t* frame, uint32_t frameLength, uint8_t* output,
                     uint32_t outputLength, uint32_t* information);

/* Device control from user mode. With buffered transfer input and output may be one buffer:
 * the input is used up before the output is written. */
ZV_STATUS ZvDeviceControl(ZV_DEVICE_EXTENSION* ext, uint32_t code, const void* input, uint32_t inputLength,
                          void* output, uint32_t outputLength, uint32_t* information);

/* What a dispatch routine of the shell does with its request. */
typedef enum ZV_ACTION {
    ZV_COMPLETE,             /* complete it here with Status */
    ZV_PASS_DOWN,            /* hand it to the lower device (after setting Status when SetStatus) */
    ZV_PASS_DOWN_AND_WAIT,   /* start: pass down synchronously, then ZvPnpStartCompleted */
    ZV_PASS_DOWN_AND_REMOVE, /* removal: pass down, detach, delete link, control and filter device */
    ZV_POWER_PASS_DOWN       /* start the next power request and pass down with the power manager */
} ZV_ACTION;

typedef struct ZV_DECISION {
    ZV_ACTION Action;
    ZV_STATUS Status;
    uint8_t SetStatus;
} ZV_DECISION;

ZV_DECISION ZvDispatchCreate(ZV_DEVICE_EXTENSION* ext);
ZV_DECISION ZvDispatchClose(ZV_DEVICE_EXTENSION* ext);
/* Major functions without a handler of their own. */
ZV_DECISION ZvDispatchOther(ZV_DEVICE_EXTENSION* ext);
/* The input buffer is the request's own: the connect and hook requests are changed in place. */
ZV_DECISION ZvDispatchInternal(ZV_DEVICE_EXTENSION* ext, uint32_t code, void* input, uint32_t inputLength);
/* setsDevicePower: a set-power request for a device power state, whose new state is given. */
ZV_DECISION ZvDispatchPower(ZV_DEVICE_EXTENSION* ext, uint8_t setsDevicePower, uint32_t deviceState);
ZV_DECISION ZvDispatchPnp(ZV_DEVICE_EXTENSION* ext, uint8_t minor);
/* The status of a start that came back from below; the shell completes the start with it. */
ZV_STATUS ZvPnpStartCompleted(ZV_DEVICE_EXTENSION* ext, ZV_STATUS lowerStatus);

/* The keyboard path. */
typedef ZV_STATUS (*ZV_CALL_NEXT_INITIALIZATION)(ZV_DEVICE_EXTENSION* ext, void* context);
/* Calls the port driver's own initialization (through callNext) when one was recorded. */
ZV_STATUS ZvInitializationRoutine(ZV_DEVICE_EXTENSION* ext, ZV_CALL_NEXT_INITIALIZATION callNext,
                                  void* context, uint8_t* turnTranslationOn);
/* Runs in the interrupt service routine for every keyboard byte. Returns zero when the byte is
 * captured and must not become a keystroke. */
uint8_t ZvInterruptHook(ZV_DEVICE_EXTENSION* ext, uint8_t byte);
void ZvDpcRoutine(ZV_DEVICE_EXTENSION* ext);

#ifdef __cplusplus
}
#endif

#endif

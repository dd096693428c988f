// The exception test application, laid out as the language's compiler lays out its code:
// ImgInner reads element 99 of a three-element array through the array's table, so the
// framework raises from inside; ImgOuter's handler lies two compiled frames above the raise.
// Observations go to ExcImageRecord and ExcImageRecordException, which the test exports.
        .intel_syntax noprefix
        .text

        .globl QVEntry
        .type QVEntry, @function
QVEntry:
        push ebp
        mov ebp, esp
        push ebx
        call RuntimeInitExternalClasses
        push 2
        push 0
        push 1
        call CreateArray                // Int32, upper bound 2
        mov ebx, eax
        push ebx
        call ImgOuter
        push 3
        push ebx
        call ImgInner                   // no handler above: the unhandled path
        push ebx
        call RuntimeUnlockArray
        mov ebx, dword ptr [ebp-4]
        leave
        ret

// (array, key): reads past the end, then records key to show that it ran on to its return.
        .globl ImgInner
        .type ImgInner, @function
ImgInner:
        push ebp
        mov ebp, esp
        mov eax, dword ptr [ebp+8]
        mov ecx, dword ptr [eax+4]
        push 99
        push eax
        call dword ptr [ecx]            // position 0: Get
        push 0
        push dword ptr [ebp+12]
        call ExcImageRecord
        leave
        ret

        .globl ImgOuter
        .type ImgOuter, @function
ImgOuter:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push 1
        push dword ptr [ebp+8]
        call ImgInner
        add esp, 8
        .byte 0xE9                      // handler header: exception into [ebp-4]
        .long 1f - 0f
0:      .long 0x411
        .word 0, -4
        lea esp, [ebp-8]
        push dword ptr [ebp-4]
        push 2
        call ExcImageRecordException
        push dword ptr [ebp-4]
        call RuntimeUnlockObject
1:      leave
        ret

        .section .note.GNU-stack,"",@progbits

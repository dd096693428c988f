# Calls into array operation tables the way compiled code does: arguments pushed right to left
# as 32-bit words (a Double or 64-bit integer as two words, low word at the lower address), the
# caller pops them, and the result is left where the callee put it (EAX, EDX:EAX or st(0)).
# Each entry's first argument is the table function to call; the C prototypes in
# TableCallShimTest.cpp name the result type, so one body serves several aliases.

        .text

# (fn, array, i): Get of one dimension.
        .globl QVShimGet1Double, QVShimGet1Single, QVShimGet1Int64, QVShimGet1Word
QVShimGet1Double:
QVShimGet1Single:
QVShimGet1Int64:
QVShimGet1Word:
        pushl %ebp
        movl %esp, %ebp
        pushl 16(%ebp)          # i
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $8, %esp
        popl %ebp
        ret

# (fn, array, i, j, k): Get of three dimensions (varargs in the callee).
        .globl QVShimGet3Double, QVShimGet3Single, QVShimGet3Int64
QVShimGet3Double:
QVShimGet3Single:
QVShimGet3Int64:
        pushl %ebp
        movl %esp, %ebp
        pushl 24(%ebp)          # k
        pushl 20(%ebp)          # j
        pushl 16(%ebp)          # i
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $16, %esp
        popl %ebp
        ret

# (fn, array, 8-byte value, i): Set of one dimension, and IndexOf (array, value, start).
        .globl QVShimSet1Wide, QVShimIndexOfWide
QVShimSet1Wide:
QVShimIndexOfWide:
        pushl %ebp
        movl %esp, %ebp
        pushl 24(%ebp)          # i
        pushl 20(%ebp)          # value, high word
        pushl 16(%ebp)          # value, low word
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $16, %esp
        popl %ebp
        ret

# (fn, array, 4-byte value, i): Set of one dimension with a Single, and IndexOf.
        .globl QVShimSet1Single, QVShimIndexOfSingle
QVShimSet1Single:
QVShimIndexOfSingle:
        pushl %ebp
        movl %esp, %ebp
        pushl 20(%ebp)          # i
        pushl 16(%ebp)          # value
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $12, %esp
        popl %ebp
        ret

# (fn, array, 8-byte value, i, j, k): Set of three dimensions.
        .globl QVShimSet3Wide
QVShimSet3Wide:
        pushl %ebp
        movl %esp, %ebp
        pushl 32(%ebp)          # k
        pushl 28(%ebp)          # j
        pushl 24(%ebp)          # i
        pushl 20(%ebp)          # value, high word
        pushl 16(%ebp)          # value, low word
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $24, %esp
        popl %ebp
        ret

# (fn, array, i, 8-byte value): Insert.
        .globl QVShimInsertWide
QVShimInsertWide:
        pushl %ebp
        movl %esp, %ebp
        pushl 24(%ebp)          # value, high word
        pushl 20(%ebp)          # value, low word
        pushl 16(%ebp)          # i
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $16, %esp
        popl %ebp
        ret

# (fn, array, i, 4-byte value): Insert of a Single.
        .globl QVShimInsertSingle
QVShimInsertSingle:
        pushl %ebp
        movl %esp, %ebp
        pushl 20(%ebp)          # value
        pushl 16(%ebp)          # i
        pushl 12(%ebp)          # array
        call *8(%ebp)
        addl $12, %esp
        popl %ebp
        ret

        .section .note.GNU-stack,"",@progbits
